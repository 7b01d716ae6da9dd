// Reads the installer window's state from outside, the way any other program of the same
// Wine session (or desktop) can, and prints it one fact per line for the window test.
//
//   ui_probe window             the window, then one line per control, then the focus
//   ui_probe closebox           screen point inside the window's close box
//   ui_probe resources PROGRAM  the program's icon group 1 and manifest
//
// Exit code 0 when the facts were printed, 1 when there is no installer window (yet).
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "tests/support/utf8.h"

namespace {

const wchar_t* const InstallerClass = L"WindowClass_1";


std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// The text as the window holds it, through WM_GETTEXT (it crosses processes).
std::wstring TextOf(HWND window) {
  const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT copied =
      SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<size_t>(copied));
  return text;
}

// A text that the shell script can split on blanks: blanks become "_" and it is bracketed.
std::string Quoted(const std::wstring& text) {
  std::string out = Utf8(text);
  for (char& c : out) {
    if (c == ' ') c = '_';
    if (c == '\n' || c == '\r' || c == '\t') c = '?';
  }
  return "[" + out + "]";
}

void PrintWindow(HWND window) {
  RECT outer{}, inner{};
  GetWindowRect(window, &outer);
  GetClientRect(window, &inner);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  std::printf("window class=%s title=%s style=0x%08lX exstyle=0x%08lX outer=%ld,%ld,%ld,%ld "
              "client=%ldx%ld origin=%ld,%ld screen=%dx%d visible=%d enabled=%d\n",
              Utf8(ClassOf(window)).c_str(), Quoted(TextOf(window)).c_str(),
              static_cast<unsigned long>(GetWindowLongPtrW(window, GWL_STYLE)),
              static_cast<unsigned long>(GetWindowLongPtrW(window, GWL_EXSTYLE)), outer.left,
              outer.top, outer.right - outer.left, outer.bottom - outer.top, inner.right,
              inner.bottom, origin.x, origin.y, GetSystemMetrics(SM_CXSCREEN),
              GetSystemMetrics(SM_CYSCREEN), IsWindowVisible(window) ? 1 : 0,
              IsWindowEnabled(window) ? 1 : 0);
}

void PrintControl(HWND parent, HWND control) {
  RECT box{};
  GetWindowRect(control, &box);
  POINT topLeft{box.left, box.top};
  ScreenToClient(parent, &topLeft);
  std::string progress = "-";
  if (ClassOf(control) == L"msctls_progress32") {
    progress = std::to_string(SendMessageW(control, PBM_GETRANGE, TRUE, 0)) + ".." +
               std::to_string(SendMessageW(control, PBM_GETRANGE, FALSE, 0)) + "@" +
               std::to_string(SendMessageW(control, PBM_GETPOS, 0, 0));
  }
  std::printf("control id=%d class=%s x=%ld y=%ld w=%ld h=%ld style=0x%08lX exstyle=0x%08lX "
              "enabled=%d visible=%d screen=%ld,%ld progress=%s text=%s\n",
              GetDlgCtrlID(control), Utf8(ClassOf(control)).c_str(), topLeft.x, topLeft.y,
              box.right - box.left, box.bottom - box.top,
              static_cast<unsigned long>(GetWindowLongPtrW(control, GWL_STYLE)),
              static_cast<unsigned long>(GetWindowLongPtrW(control, GWL_EXSTYLE)),
              IsWindowEnabled(control) ? 1 : 0, IsWindowVisible(control) ? 1 : 0, box.left,
              box.top, progress.c_str(), Quoted(TextOf(control)).c_str());
}

// The keyboard focus and the active window of the installer's thread.
void PrintFocus(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  if (!GetGUIThreadInfo(thread, &info)) {
    std::printf("focus unknown\n");
    return;
  }
  int focus = 0;
  if (info.hwndFocus == window) focus = -1;
  else if (info.hwndFocus && GetParent(info.hwndFocus) == window) focus = GetDlgCtrlID(info.hwndFocus);
  const LRESULT cues = SendMessageW(window, WM_QUERYUISTATE, 0, 0);
  std::printf("focus control=%d active=%d foreground=%d hidefocus=%d\n", focus,
              info.hwndActive == window ? 1 : 0, GetForegroundWindow() == window ? 1 : 0,
              (cues & UISF_HIDEFOCUS) ? 1 : 0);
}

int ReportWindow() {
  const HWND window = FindWindowW(InstallerClass, nullptr);
  if (!window) return 1;
  PrintWindow(window);
  // Children come in creation order.
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    PrintControl(window, child);
  }
  PrintFocus(window);
  return 0;
}

// Walks the caption from the right until the window itself says "close box" for a point.
int ReportCloseBox() {
  const HWND window = FindWindowW(InstallerClass, nullptr);
  if (!window) return 1;
  RECT outer{};
  GetWindowRect(window, &outer);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  for (int y = outer.top + 1; y < origin.y; ++y) {
    for (int x = outer.right - 1; x > outer.left; --x) {
      const LRESULT hit = SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y));
      if (hit == HTCLOSE) {
        // Aim at the box's middle: walk on to its other edges.
        int right = x, bottom = y, left = x;
        while (left > outer.left && SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(left - 1, y)) == HTCLOSE) --left;
        while (bottom < origin.y && SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, bottom + 1)) == HTCLOSE) ++bottom;
        std::printf("closebox %d %d\n", (left + right) / 2, (y + bottom) / 2);
        return 0;
      }
    }
  }
  std::printf("closebox none\n");
  return 0;
}

#pragma pack(push, 2)
struct IconGroupHeader {
  WORD reserved;
  WORD type;
  WORD count;
};
struct IconGroupEntry {
  BYTE width;
  BYTE height;
  BYTE colorCount;
  BYTE reserved;
  WORD planes;
  WORD bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

const BYTE* LoadResourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type, DWORD* size) {
  const HRSRC found = FindResourceW(module, name, type);
  if (!found) return nullptr;
  *size = SizeofResource(module, found);
  const HGLOBAL loaded = LoadResource(module, found);
  return loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
}

int ReportResources(const wchar_t* program) {
  const HMODULE module = LoadLibraryExW(program, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) {
    std::printf("resources unreadable\n");
    return 1;
  }
  DWORD size = 0;
  const BYTE* group = LoadResourceBytes(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14), &size);
  if (group && size >= sizeof(IconGroupHeader)) {
    const auto* header = reinterpret_cast<const IconGroupHeader*>(group);
    std::printf("icon pictures=%u\n", header->count);
    const auto* entries = reinterpret_cast<const IconGroupEntry*>(group + sizeof *header);
    for (WORD i = 0; i < header->count && sizeof *header + (i + 1) * sizeof *entries <= size; ++i) {
      // 0 in a width, height or colour count means 256.
      std::printf("picture %ux%u colors=%u bits=%u\n", entries[i].width ? entries[i].width : 256,
                  entries[i].height ? entries[i].height : 256,
                  entries[i].colorCount ? entries[i].colorCount : 256, entries[i].bitCount);
    }
  } else {
    std::printf("icon none\n");
  }
  const BYTE* manifest = LoadResourceBytes(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24), &size);
  if (manifest) {
    std::string text(reinterpret_cast<const char*>(manifest), size);
    for (char& c : text) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    std::printf("manifest %s\n", text.c_str());
  } else {
    std::printf("manifest none\n");
  }
  FreeLibrary(module);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  int result = 2;
  if (command == L"window") result = ReportWindow();
  else if (command == L"closebox") result = ReportCloseBox();
  else if (command == L"resources" && argc > 2) result = ReportResources(argv[2]);
  else std::fprintf(stderr, "usage: ui_probe window | closebox | resources PROGRAM\n");
  std::fflush(stdout);
  return result;
}
