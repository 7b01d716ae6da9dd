#include "tests/shell/dialog_driver.h"

namespace {

const wchar_t TestWindowClass[] = L"TovaluDialogTestWindow";

std::function<bool(HWND)> driverStep;
DWORD driverDeadline = 0;
bool driverAnswered = false;
bool driverGaveUp = false;

void RegisterTestWindowClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = TestWindowClass;
  RegisterClassW(&windowClass);
  registered = true;
}

BOOL CALLBACK FindDialogOf(HWND window, LPARAM found) {
  wchar_t className[16] = L"";
  GetClassNameW(window, className, 16);
  if (lstrcmpW(className, L"#32770") == 0 && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

struct ChildSearch {
  const wchar_t* className;
  const std::wstring* text;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM data) {
  ChildSearch& search = *reinterpret_cast<ChildSearch*>(data);
  wchar_t className[64] = L"";
  GetClassNameW(child, className, 64);
  if (lstrcmpiW(className, search.className) == 0 && WindowText(child) == *search.text) {
    search.found = child;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK DriverTick(HWND, UINT, UINT_PTR timer, DWORD) {
  if (driverAnswered || driverGaveUp) return;
  HWND dialog = FindThreadDialog();
  if (dialog && driverStep(dialog)) {
    driverAnswered = true;
    KillTimer(nullptr, timer);
    return;
  }
  if (GetTickCount() > driverDeadline) {
    driverGaveUp = true;
    KillTimer(nullptr, timer);
    PostQuitMessage(0);  // a modal loop ends on WM_QUIT
  }
}

}  // namespace

TestWindow::TestWindow(const TestWindowOptions& options) {
  RegisterTestWindowClass();
  DWORD exStyle = options.topmost ? WS_EX_TOPMOST : 0;
  window_ = CreateWindowExW(exStyle, TestWindowClass, L"Fenêtre de test", WS_OVERLAPPEDWINDOW,
                            40, 40, 300, 200, nullptr, nullptr, GetModuleHandleW(nullptr),
                            nullptr);
  if (!options.enabled) EnableWindow(window_, FALSE);
  if (options.visible) ShowWindow(window_, options.foreground ? SW_SHOW : SW_SHOWNOACTIVATE);
  if (options.foreground) SetForegroundWindow(window_);
  PumpUntil([] { return false; }, 50);
}

TestWindow::~TestWindow() { DestroyWindow(window_); }

bool IsTopmost(HWND window) {
  return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

HWND FindThreadDialog() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialogOf, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND FindChildWithText(HWND parent, const wchar_t* className, const std::wstring& text) {
  ChildSearch search{className, &text, nullptr};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring WindowText(HWND window) {
  wchar_t text[1024] = L"";
  GetWindowTextW(window, text, 1024);
  return text;
}

DriveResult DriveDialog(const std::function<int()>& open,
                        const std::function<bool(HWND dialog)>& onDialog, DWORD deadlineMs) {
  driverStep = onDialog;
  driverDeadline = GetTickCount() + deadlineMs;
  driverAnswered = false;
  driverGaveUp = false;
  UINT_PTR timer = SetTimer(nullptr, 0, 20, DriverTick);
  int result = open();
  KillTimer(nullptr, timer);
  MSG quit;
  while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  driverStep = nullptr;
  return DriveResult{driverAnswered && !driverGaveUp, result};
}

void ClickButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void PressEscape(HWND dialog) {
  // The dialog's own loop reads keys through IsDialogMessage, as for a real key press.
  HWND focus = GetFocus();
  HWND target = focus && (focus == dialog || IsChild(dialog, focus)) ? focus : dialog;
  PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 1);
  PostMessageW(target, WM_KEYUP, VK_ESCAPE, 0xC0000001);
}

void PressCloseBox(HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool PumpUntil(const std::function<bool()>& done, DWORD deadlineMs) {
  const DWORD deadline = GetTickCount() + deadlineMs;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done()) return true;
    if (GetTickCount() > deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}
