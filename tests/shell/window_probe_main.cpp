// Prints every top-level window of the Wine session, with its child windows, one per line in
// UTF-8, so that the end-to-end scripts can see what a user would see:
//
//   tovalu_window_probe              one snapshot
//   tovalu_window_probe watch SECS   a snapshot every 100 ms for SECS seconds, each between
//                                    "snapshot N" and "end N" lines
//
//   window HWND pid=PID x11=XID topmost=T owner=HWND focus=HWND close=X,Y visible=V enabled=E rect=L,T,R,B class=C title=TEXT
//     child HWND id=ID visible=V enabled=E rect=L,T,R,B class=C text=TEXT
//
// focus is the window that has the keyboard focus in that window's thread (0: none).
// Rectangles and the close box's centre (close=none when there is none) are in screen pixels. Texts are read with WM_GETTEXT, which the system carries
// across processes, so an edit control's contents come back too.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void Print(const std::wstring& line) {
  std::wstring withEnd = line + L"\n";
  int bytes = WideCharToMultiByte(CP_UTF8, 0, withEnd.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(bytes, '\0');
  WideCharToMultiByte(CP_UTF8, 0, withEnd.c_str(), -1, &utf8[0], bytes, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.c_str(), bytes - 1, &written, nullptr);
}

std::wstring Hex(const void* value) {
  wchar_t text[32];
  swprintf(text, 32, L"%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(value)));
  return text;
}

std::wstring TextOf(HWND window) {
  wchar_t text[2048] = L"";
  DWORD_PTR length = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 2000, &length);
  text[2047] = L'\0';
  // One line per window: line breaks inside a text are shown as "\n".
  std::wstring shown;
  for (const wchar_t* c = text; *c; ++c) {
    if (*c == L'\r') continue;
    shown += *c == L'\n' ? std::wstring(L"\\n") : std::wstring(1, *c);
  }
  return shown;
}

std::wstring Describe(HWND window) {
  wchar_t className[128] = L"";
  GetClassNameW(window, className, 128);
  RECT r{};
  GetWindowRect(window, &r);
  wchar_t line[256];
  swprintf(line, 256, L"visible=%d enabled=%d rect=%ld,%ld,%ld,%ld class=%ls",
           IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0, r.left, r.top,
           r.right, r.bottom, className);
  return line;
}

// Where a click lands on the close box, as the window itself answers hit tests (also while it
// is disabled): the centre of the points of the caption's right end that answer HTCLOSE.
std::wstring CloseBoxCentre(HWND window) {
  if ((GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) != WS_CAPTION) return L"none";
  RECT r{};
  GetWindowRect(window, &r);
  long sumX = 0, sumY = 0, count = 0;
  for (long y = r.top; y < r.top + 40 && y < r.bottom; y += 3) {
    for (long x = r.right - 1; x > r.right - 80 && x > r.left; x -= 3) {
      DWORD_PTR hit = 0;
      if (!SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 2000,
                               &hit)) {
        return L"none";
      }
      if (hit == HTCLOSE) {
        sumX += x;
        sumY += y;
        ++count;
      }
    }
  }
  if (!count) return L"none";
  return std::to_wstring(sumX / count) + L"," + std::to_wstring(sumY / count);
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
  Print(L"  child " + Hex(child) + L" id=" + std::to_wstring(GetDlgCtrlID(child)) + L" " +
        Describe(child) + L" text=" + TextOf(child));
  return TRUE;
}

BOOL CALLBACK PrintWindow(HWND window, LPARAM) {
  DWORD process = 0;
  const DWORD thread = GetWindowThreadProcessId(window, &process);
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  GetGUIThreadInfo(thread, &gui);
  const bool topmost = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  HANDLE x11 = GetPropW(window, L"__wine_x11_whole_window");
  Print(L"window " + Hex(window) + L" pid=" + std::to_wstring(process) + L" x11=" +
        std::to_wstring(reinterpret_cast<UINT_PTR>(x11)) + L" topmost=" +
        std::to_wstring(topmost ? 1 : 0) + L" owner=" + Hex(GetWindow(window, GW_OWNER)) +
        L" focus=" + Hex(gui.hwndFocus) + L" close=" + (IsWindowVisible(window) ? CloseBoxCentre(window) : L"none") + L" " +
        Describe(window) + L" title=" + TextOf(window));
  if (IsWindowVisible(window)) EnumChildWindows(window, PrintChild, 0);
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wstring(argv[1]) == L"watch") {
    const DWORD end = GetTickCount() + 1000 * static_cast<DWORD>(_wtoi(argv[2]));
    for (unsigned n = 1; GetTickCount() < end; ++n) {
      Print(L"snapshot " + std::to_wstring(n));
      EnumWindows(PrintWindow, 0);
      Print(L"end " + std::to_wstring(n));
      Sleep(100);
    }
    return 0;
  }
  EnumWindows(PrintWindow, 0);
  return 0;
}
