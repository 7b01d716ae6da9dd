// Shows one message box through ShowMessage and reports the button the user chose:
//
//   tovalu_show_message TITLE TEXT FLAGS
//
// prints "code=N" and exits with N (0 when the box could not be shown).
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "shell/dialogs.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fputs("usage: tovalu_show_message TITLE TEXT FLAGS\n", stderr);
    return 255;
  }
  InitShellServices();
  const unsigned flags = static_cast<unsigned>(std::wcstoul(argv[3], nullptr, 0));
  const int code = ShowMessage(argv[1], argv[2], flags);
  std::printf("code=%d\n", code);
  std::fflush(stdout);
  return code;
}
