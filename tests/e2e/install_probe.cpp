// Looks at a running installer from outside, as any program of the same Wine session can, and
// reads a saved shortcut back through the shell-link object. For the installation test.
//
//   install_probe watch SECONDS    one line each time the window's state changes, until the
//                                  installer's window is gone or SECONDS have passed
//   install_probe point WHAT       screen point to click: "install", "browse", "field", or the
//                                  button with identifier N of the installer's message box
//                                  ("box N"); exit code 1 when there is none yet
//   install_probe shortcut FILE    the shortcut's fields, one per line
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/support/utf8.h"

namespace {

const wchar_t* const InstallerClass = L"WindowClass_1";
const int FolderField = 6;
const int BrowseButton = 8;
const int InstallButton = 9;
const int ProgressBar = 11;
const int StatusLine = 12;

// One line per state: line ends inside a text would split it.
std::string OneLine(const std::wstring& text) {
  std::string out = Utf8(text);
  for (char& c : out) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return out;
}

// The installer's thread answers no message while it installs (it sleeps and copies without
// a message loop), so every question sent to it has a short deadline.
bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* answer) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_BLOCK, 40, &result)) return false;
  *answer = static_cast<LRESULT>(result);
  return true;
}

// The text through WM_GETTEXT, or "?" when the window does not answer in time.
std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  LRESULT copied = 0;
  if (!Ask(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), &copied)) return L"?";
  return std::wstring(text, static_cast<size_t>(copied));
}

// The text that the system keeps for the window, read without a message: a static control's
// text can be followed this way while the installer is busy.
std::wstring StoredTextOf(HWND window) {
  wchar_t text[1024] = {};
  InternalGetWindowText(window, text, 1024);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// The installer's message boxes: top-level dialogs of its process.
struct BoxSearch {
  DWORD process;
  std::vector<HWND> boxes;
};

BOOL CALLBACK CollectBox(HWND window, LPARAM parameter) {
  BoxSearch& search = *reinterpret_cast<BoxSearch*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == search.process && IsWindowVisible(window) && ClassOf(window) == L"#32770") {
    search.boxes.push_back(window);
  }
  return TRUE;
}

std::vector<HWND> InstallerBoxes(HWND installer) {
  BoxSearch search{0, {}};
  GetWindowThreadProcessId(installer, &search.process);
  EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&search));
  return search.boxes;
}

// "title|text|id,id,..." for one message box.
std::string DescribeBox(HWND box) {
  std::string text, buttons;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    const std::wstring kind = ClassOf(child);
    if (_wcsicmp(kind.c_str(), L"Static") == 0 && !TextOf(child).empty()) {
      text += OneLine(TextOf(child));
    } else if (_wcsicmp(kind.c_str(), L"Button") == 0) {
      if (!buttons.empty()) buttons += ",";
      buttons += std::to_string(GetDlgCtrlID(child));
    }
  }
  return OneLine(TextOf(box)) + "|" + text + "|" + buttons;
}

std::string DescribeState(HWND installer) {
  const HWND field = GetDlgItem(installer, FolderField);
  const HWND status = GetDlgItem(installer, StatusLine);
  // A busy installer answers nothing: one unanswered question is enough to know it, and the
  // status line's text and the buttons' states are still read without asking.
  LRESULT position = 0;
  const bool answering = Ask(GetDlgItem(installer, ProgressBar), PBM_GETPOS, 0, 0, &position);
  if (!answering) {
    return "busy browse=" +
           std::to_string(IsWindowEnabled(GetDlgItem(installer, BrowseButton)) ? 1 : 0) +
           " install=" +
           std::to_string(IsWindowEnabled(GetDlgItem(installer, InstallButton)) ? 1 : 0) +
           " status=[" + OneLine(StoredTextOf(status)) + "]";
  }
  std::string line = "field=[" + OneLine(TextOf(field)) + "]";
  line += " browse=" + std::to_string(IsWindowEnabled(GetDlgItem(installer, BrowseButton)) ? 1 : 0);
  line += " install=" + std::to_string(IsWindowEnabled(GetDlgItem(installer, InstallButton)) ? 1 : 0);
  line += " progress=" + std::to_string(position);
  line += " status=[" + OneLine(StoredTextOf(status)) + "]";
  for (HWND box : InstallerBoxes(installer)) line += " box=[" + DescribeBox(box) + "]";
  return line;
}

int Watch(int seconds) {
  const ULONGLONG start = GetTickCount64();
  const ULONGLONG end = start + static_cast<ULONGLONG>(seconds) * 1000;
  bool seen = false;
  std::string last;
  while (GetTickCount64() < end) {
    const HWND installer = FindWindowW(InstallerClass, nullptr);
    std::string line;
    if (installer) {
      seen = true;
      line = DescribeState(installer);
    } else {
      line = "gone";
    }
    if (line != last) {
      std::printf("t=%llu %s\n", static_cast<unsigned long long>(GetTickCount64() - start),
                  line.c_str());
      std::fflush(stdout);
      last = line;
    }
    if (seen && !installer) return 0;
    Sleep(10);
  }
  return 1;
}

int PrintCentre(HWND window) {
  RECT box{};
  if (!window || !GetWindowRect(window, &box)) return 1;
  std::printf("%ld %ld\n", (box.left + box.right) / 2, (box.top + box.bottom) / 2);
  return 0;
}

int Point(const std::wstring& what, const std::wstring& argument) {
  const HWND installer = FindWindowW(InstallerClass, nullptr);
  if (!installer) return 1;
  if (what == L"install") return PrintCentre(GetDlgItem(installer, InstallButton));
  if (what == L"browse") return PrintCentre(GetDlgItem(installer, BrowseButton));
  if (what == L"field") return PrintCentre(GetDlgItem(installer, FolderField));
  if (what == L"box") {
    const int id = _wtoi(argument.c_str());
    for (HWND box : InstallerBoxes(installer)) {
      const HWND button = GetDlgItem(box, id);
      if (button && IsWindowVisible(button)) return PrintCentre(button);
    }
  }
  return 1;
}

int PrintShortcut(const std::wstring& file) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkW* link = nullptr;
  HRESULT status = CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    reinterpret_cast<void**>(&link));
  if (FAILED(status)) {
    std::printf("loaded=0x%08lX\n", static_cast<unsigned long>(status));
    return 1;
  }
  IPersistFile* persist = nullptr;
  status = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist));
  if (SUCCEEDED(status)) {
    status = persist->Load(file.c_str(), STGM_READ);
    persist->Release();
  }
  std::printf("loaded=0x%08lX\n", static_cast<unsigned long>(status));
  if (status == S_OK) {
    wchar_t buffer[1024];
    int index = -12345;
    wcscpy(buffer, L"#unset#");
    link->GetPath(buffer, 1024, nullptr, SLGP_RAWPATH);
    std::printf("target=[%s]\n", OneLine(buffer).c_str());
    wcscpy(buffer, L"#unset#");
    link->GetArguments(buffer, 1024);
    std::printf("arguments=[%s]\n", OneLine(buffer).c_str());
    wcscpy(buffer, L"#unset#");
    link->GetDescription(buffer, 1024);
    std::printf("description=[%s]\n", OneLine(buffer).c_str());
    wcscpy(buffer, L"#unset#");
    link->GetWorkingDirectory(buffer, 1024);
    std::printf("workdir=[%s]\n", OneLine(buffer).c_str());
    wcscpy(buffer, L"#unset#");
    link->GetIconLocation(buffer, 1024, &index);
    std::printf("icon=[%s]\n", OneLine(buffer).c_str());
    std::printf("index=%d\n", index);
  }
  link->Release();
  CoUninitialize();
  return status == S_OK ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  const std::wstring first = argc > 2 ? argv[2] : L"";
  const std::wstring second = argc > 3 ? argv[3] : L"";
  int result = 2;
  if (command == L"watch") result = Watch(_wtoi(first.c_str()));
  else if (command == L"point") result = Point(first, second);
  else if (command == L"shortcut") result = PrintShortcut(first);
  else std::fprintf(stderr, "usage: install_probe watch SECONDS | point WHAT [ID] | shortcut FILE\n");
  std::fflush(stdout);
  return result;
}
