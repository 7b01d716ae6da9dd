// The installer window: its class, its nine controls, the queue of events that its window
// procedure fills and WaitForEvent drains, the keyboard handling of the loop, and the control
// operations that the rest of the program uses.
#include "ui/window.h"

#include <commctrl.h>

#include <cstddef>
#include <cwchar>
#include <deque>
#include <string>

#include "core/profile.h"
#include "ui/controls.h"
#include "ui/images.h"
#include "ui/layout.h"

namespace {

constexpr int InstallerWindowNumber = 1;
// Control numbers run from 1 to 12; the table is indexed by number.
constexpr int ControlSlots = 13;
// The common-control classes asked for at start-up, the same request as the shell services.
constexpr DWORD CommonControlClasses = 0xB48;
// NONCLIENTMETRICSW without iPaddedBorderWidth: every Windows version accepts this size.
constexpr UINT ClassicMetricsSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
static_assert(ClassicMetricsSize == 500, "the classic non-client metrics are 500 bytes");

struct ControlEntry {
  HWND handle;
  long textColor;
};

HFONT defaultControlFont = nullptr;
bool ownsDefaultControlFont = false;
HWND installerWindow = nullptr;
std::wstring installerClassName;
ControlEntry controls[ControlSlots];
std::deque<WindowEvent> pendingEvents;
// Set while the program itself changes a control, whose notifications are no user activity.
bool changingFromProgram = false;
// The control that had the keyboard focus when the window last let it go.
HWND rememberedFocus = nullptr;

// How each control is made; where it goes comes from the layout.
struct ControlKind {
  int number;
  const wchar_t* className;
  DWORD style;
  DWORD extendedStyle;
};

const ControlKind controlKinds[InstallerControlCount] = {
    {BannerImage, L"STATIC", SS_NOTIFY | SS_BITMAP, 0},
    {SeparatorLine, L"Static", WS_GROUP | SS_CENTER, WS_EX_STATICEDGE},
    {FolderLabel, L"Static", WS_GROUP | SS_NOPREFIX | SS_LEFT, 0},
    {FolderField, L"Edit", WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE},
    {InstallButton, L"Button", WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON, 0},
    {BrowseButton, L"Button", WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON, 0},
    {ProgressFrame, L"Button", WS_GROUP | BS_GROUPBOX, 0},
    {ProgressBar, PROGRESS_CLASSW, 0, 0},
    {StatusLine, L"Static", WS_GROUP | SS_NOPREFIX | SS_LEFT, 0},
};

HWND ControlHandle(int control) {
  if (control < 0 || control >= ControlSlots) return nullptr;
  return controls[control].handle;
}

// The table entry of one of our controls, or null for any other window.
ControlEntry* EntryOfWindow(HWND window) {
  if (!window || GetParent(window) != installerWindow) return nullptr;
  const int number = GetDlgCtrlID(window);
  if (number <= 0 || number >= ControlSlots || controls[number].handle != window) return nullptr;
  return &controls[number];
}

// The platform's own notifications of a control are how it reports what the user did.
void QueueEvent(int kind, int control) { pendingEvents.push_back(WindowEvent{kind, control}); }

LRESULT AnswerColorRequest(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const ControlEntry* entry = EntryOfWindow(reinterpret_cast<HWND>(lParam));
  if (!entry || entry->textColor == NoColor) return DefWindowProcW(window, message, wParam, lParam);
  const HDC dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, static_cast<COLORREF>(entry->textColor));
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void HideFocusRectangles() {
  SendMessageW(installerWindow, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
}

void ShowFocusRectangles() {
  const LRESULT state = SendMessageW(installerWindow, WM_QUERYUISTATE, 0, 0);
  if (state & UISF_HIDEFOCUS) {
    SendMessageW(installerWindow, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  }
}

bool IsOurControl(HWND window) { return EntryOfWindow(window) != nullptr; }

void RememberFocus() {
  const HWND focus = GetFocus();
  if (IsOurControl(focus)) rememberedFocus = focus;
}

LRESULT OnActivate(HWND window, WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    RememberFocus();
    HideFocusRectangles();
    return DefWindowProcW(window, WM_ACTIVATE, wParam, lParam);
  }
  if (rememberedFocus && IsOurControl(rememberedFocus) && IsWindowEnabled(rememberedFocus) &&
      IsWindowVisible(rememberedFocus)) {
    SetFocus(rememberedFocus);
    return 0;
  }
  return DefWindowProcW(window, WM_ACTIVATE, wParam, lParam);
}

LRESULT CALLBACK InstallerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // Only notifications of our controls count; a menu or accelerator has no control.
      if (lParam != 0 && IsOurControl(reinterpret_cast<HWND>(lParam))) {
        if (!changingFromProgram) QueueEvent(EventControl, LOWORD(wParam));
        return 0;
      }
      break;
    case WM_CLOSE:
      // A close request is only reported: the window stays until the program ends.
      QueueEvent(EventClose, 0);
      return 0;
    case WM_ACTIVATE:
      return OnActivate(window, wParam, lParam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORMSGBOX:
      return AnswerColorRequest(window, message, wParam, lParam);
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterInstallerClass(HINSTANCE instance) {
  wchar_t name[32];
  std::swprintf(name, sizeof name / sizeof name[0], L"WindowClass_%d", InstallerWindowNumber);
  installerClassName = name;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = InstallerWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  windowClass.hIconSm = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                 GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = installerClassName.c_str();
  return RegisterClassExW(&windowClass) != 0;
}

// Opens the window hidden at 0,0 with the outer size that gives the inner size asked for,
// centres it on the primary screen (the whole screen, task bar included), then shows it.
HWND OpenCentredWindow(HINSTANCE instance, int innerWidth, int innerHeight) {
  const DWORD style = WS_CAPTION | WS_SYSMENU;
  RECT outer{0, 0, innerWidth, innerHeight};
  AdjustWindowRectEx(&outer, style, FALSE, 0);
  const int outerWidth = outer.right - outer.left;
  const int outerHeight = outer.bottom - outer.top;
  const HWND window = CreateWindowExW(0, installerClassName.c_str(),
                                      InstallerProfile().WindowTitle.c_str(), style, 0, 0,
                                      outerWidth, outerHeight, nullptr, nullptr, instance, nullptr);
  if (!window) return nullptr;
  const int x = CentredPosition(GetSystemMetrics(SM_CXSCREEN), outerWidth);
  const int y = CentredPosition(GetSystemMetrics(SM_CYSCREEN), outerHeight);
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window, SW_SHOWNORMAL);
  SetForegroundWindow(window);
  return window;
}

const wchar_t* FirstText(int number) {
  const InstallerProfileTable& profile = InstallerProfile();
  switch (number) {
    case FolderLabel:
      return profile.FolderLabelText.c_str();
    case InstallButton:
      return profile.InstallButtonText.c_str();
    case BrowseButton:
      return profile.BrowseButtonText.c_str();
    case StatusLine:
      return profile.BannerCaption.c_str();
    default:
      return L"";
  }
}

void CreateControl(HINSTANCE instance, const ControlKind& kind, const ControlPlacement& place) {
  const HWND handle = CreateWindowExW(
      kind.extendedStyle, kind.className, FirstText(kind.number),
      WS_CHILD | WS_VISIBLE | kind.style, place.x, place.y, place.width, place.height,
      installerWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kind.number)), instance,
      nullptr);
  if (!handle) return;
  controls[kind.number] = ControlEntry{handle, NoColor};
  SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(defaultControlFont), TRUE);
}

// Fills the first contents that are not texts: the banner picture and the bar's range.
void FillControl(int number) {
  const HWND handle = ControlHandle(number);
  if (!handle) return;
  if (number == BannerImage) {
    // The picture control takes the picture's size; without a picture it stays empty.
    const HBITMAP banner = GetImageBitmap(1);
    if (banner) SendMessageW(handle, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(banner));
  } else if (number == ProgressBar) {
    SendMessageW(handle, PBM_SETRANGE32, 0, 100);
    SendMessageW(handle, PBM_SETPOS, 0, 0);
  }
}

bool IsTabStop(HWND handle) {
  return handle && (GetWindowLongPtrW(handle, GWL_STYLE) & WS_TABSTOP) && IsWindowEnabled(handle) &&
         IsWindowVisible(handle);
}

// The next Tab stop after (or before) the control with the focus, in creation order,
// wrapping around; from no focus, the first (or the last).
HWND NextTabStop(HWND focus, bool backwards) {
  int current = -1;
  for (int i = 0; i < InstallerControlCount; ++i) {
    if (ControlHandle(controlKinds[i].number) == focus) current = i;
  }
  const int step = backwards ? InstallerControlCount - 1 : 1;
  int index = current >= 0 ? current : (backwards ? 0 : InstallerControlCount - 1);
  for (int tried = 0; tried < InstallerControlCount; ++tried) {
    index = (index + step) % InstallerControlCount;
    const HWND candidate = ControlHandle(controlKinds[index].number);
    if (IsTabStop(candidate)) return candidate;
  }
  return nullptr;
}

bool IsHeld(int key) { return GetKeyState(key) < 0; }

// Tab and Shift+Tab move the focus among the Tab stops before any control sees the key.
// Enter and Escape are left to the controls: the window has no default or cancel button.
bool HandleTabKey(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_TAB) return false;
  if (!installerWindow || GetActiveWindow() != installerWindow) return false;
  if (message.hwnd != installerWindow && !IsChild(installerWindow, message.hwnd)) return false;
  if (IsHeld(VK_CONTROL) || IsHeld(VK_MENU)) return false;
  const HWND focus = GetFocus();
  const HWND next = NextTabStop(IsOurControl(focus) ? focus : nullptr, IsHeld(VK_SHIFT));
  if (next) {
    SetFocus(next);
    rememberedFocus = next;
  }
  ShowFocusRectangles();
  return true;
}

void TakeOneMessage() {
  MSG message;
  const BOOL got = GetMessageW(&message, nullptr, 0, 0);
  if (got == 0 || got == -1) {
    // Told to quit (or the queue is gone): there is nothing left to wait for.
    QueueEvent(EventClose, 0);
    return;
  }
  if (installerWindow && GetActiveWindow() == installerWindow &&
      (IsHeld(VK_SHIFT) || IsHeld(VK_CONTROL) || IsHeld(VK_MENU))) {
    ShowFocusRectangles();
  }
  if (HandleTabKey(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

}  // namespace

void StartControlServices() {
  if (ownsDefaultControlFont) DeleteObject(defaultControlFont);
  defaultControlFont = nullptr;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = ClassicMetricsSize;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, ClassicMetricsSize, &metrics, 0)) {
    defaultControlFont = CreateFontIndirectW(&metrics.lfMessageFont);
  }
  ownsDefaultControlFont = defaultControlFont != nullptr;
  if (!defaultControlFont) defaultControlFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), CommonControlClasses};
  InitCommonControlsEx(&classes);
}

void BuildInstallerWindow() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!RegisterInstallerClass(instance)) return;
  const InstallerLayout layout = ComputeInstallerLayout(GetImageWidth(1), GetImageHeight(1),
                                                        InstallerProfile().WindowHeight);
  installerWindow = OpenCentredWindow(instance, layout.innerWidth, layout.innerHeight);
  if (!installerWindow) return;
  for (int i = 0; i < InstallerControlCount; ++i) {
    CreateControl(instance, controlKinds[i], layout.controls[i]);
    FillControl(controlKinds[i].number);
  }
}

WindowEvent WaitForEvent() {
  // Without a window no event could ever come: report a close so the program ends.
  if (!installerWindow && pendingEvents.empty()) return WindowEvent{EventClose, 0};
  while (pendingEvents.empty()) TakeOneMessage();
  const WindowEvent next = pendingEvents.front();
  pendingEvents.pop_front();
  return next;
}

void DestroyInstallerWindow() {
  if (installerWindow) DestroyWindow(installerWindow);
  installerWindow = nullptr;
  rememberedFocus = nullptr;
  for (ControlEntry& entry : controls) entry = ControlEntry{nullptr, NoColor};
  pendingEvents.clear();
  if (!installerClassName.empty()) UnregisterClassW(installerClassName.c_str(), GetModuleHandleW(nullptr));
  if (ownsDefaultControlFont) DeleteObject(defaultControlFont);
  defaultControlFont = nullptr;
  ownsDefaultControlFont = false;
}

void SetControlFont(int control, HFONT font) {
  const HWND handle = ControlHandle(control);
  if (handle) SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), 1);
}

void SetControlColor(int control, int kind, long color) {
  const HWND handle = ControlHandle(control);
  if (!handle || kind != TextColorKind) return;
  controls[control].textColor = color;
  RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_FRAME);
}

void SetControlText(int control, const std::wstring& text) {
  const HWND handle = ControlHandle(control);
  if (!handle) return;
  // The edit field reports its change as if typed; what the program writes is no event.
  changingFromProgram = true;
  SetWindowTextW(handle, text.c_str());
  changingFromProgram = false;
  // The install sequence does not return to the loop between steps: paint now.
  UpdateWindow(handle);
}

std::wstring GetControlText(int control) {
  const HWND handle = ControlHandle(control);
  if (!handle) return std::wstring();
  const int length = GetWindowTextLengthW(handle);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(handle, &text[0], length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

void SetControlState(int control, int value) {
  const HWND handle = ControlHandle(control);
  if (!handle || control != ProgressBar) return;
  PBRANGE range{};
  SendMessageW(handle, PBM_GETRANGE, 0, reinterpret_cast<LPARAM>(&range));
  // The bar would clamp the value to its range anyway; doing it first keeps value + 1 sound.
  if (value < range.iLow) value = range.iLow;
  if (value > range.iHigh) value = range.iHigh;
  // The themed bar grows slowly towards a higher position but jumps to a lower one: go one
  // past the target in a range one larger, then come back, and the bar shows the value at once.
  changingFromProgram = true;
  SendMessageW(handle, PBM_SETRANGE32, range.iLow, range.iHigh + 1);
  SendMessageW(handle, PBM_SETPOS, static_cast<WPARAM>(value + 1), 0);
  SendMessageW(handle, PBM_SETRANGE32, range.iLow, range.iHigh);
  SendMessageW(handle, PBM_SETPOS, static_cast<WPARAM>(value), 0);
  changingFromProgram = false;
  UpdateWindow(handle);
}

void DisableControl(int control, bool disabled) {
  const HWND handle = ControlHandle(control);
  if (!handle) return;
  changingFromProgram = true;
  EnableWindow(handle, disabled ? FALSE : TRUE);
  changingFromProgram = false;
  UpdateWindow(handle);
}
