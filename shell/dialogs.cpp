#include "shell/dialogs.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <forward_list>

#include "shell/folder_picker.h"
#include "shell/modal_guard.h"

namespace {

using BrowseEntry = PIDLIST_ABSOLUTE(WINAPI*)(LPBROWSEINFOW);
using PathEntry = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, LPWSTR);

constexpr UINT PickerFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE;  // 0x50
constexpr DWORD SelectionRepeatDelay = 200;                       // ms

// Every window the guard has taken out of play, newest first. Used from the window's thread
// only; each record names its thread so that a walk touches nobody else's.
std::forward_list<SuspendedWindow> suspendedWindows;

// Whether BrowseForFolder has made this thread a COM apartment yet.
bool pickerStartedCom = false;

// The shell library is taken for one picker and given back at every return.
struct LibraryGuard {
  HMODULE handle;
  explicit LibraryGuard(HMODULE h) : handle(h) {}
  ~LibraryGuard() {
    if (handle) FreeLibrary(handle);
  }
  LibraryGuard(const LibraryGuard&) = delete;
  LibraryGuard& operator=(const LibraryGuard&) = delete;
};

BOOL CALLBACK RecordThreadWindow(HWND window, LPARAM);
void LowerTopmostWindows();
template <typename Entry>
Entry FindEntry(HMODULE library, const char* name);
void PrepareInitialFolder(const std::wstring& folder, wchar_t (&buffer)[MAX_PATH]);
std::wstring PathOfItem(PathEntry getPath, PIDLIST_ABSOLUTE item);

bool IsThisThread(DWORD threadId) { return threadId == GetCurrentThreadId(); }

BOOL CALLBACK RecordThreadWindow(HWND window, LPARAM) {
  if (!IsThisThread(GetWindowThreadProcessId(window, nullptr))) return TRUE;
  if (!IsWindowVisible(window)) return TRUE;
  SuspendedWindow record{};
  record.threadId = GetCurrentThreadId();
  record.window = window;
  record.wasTopmost = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0;
  // The foreground window will own the dialog, and the dialog disables its owner itself.
  if (window != GetForegroundWindow() && IsWindowEnabled(window)) {
    EnableWindow(window, FALSE);
    record.disabledHere = 1;
  }
  suspendedWindows.push_front(record);
  return TRUE;  // the walk always runs to its end
}

// A topmost window would stay above the dialog and hide it.
void LowerTopmostWindows() {
  for (const SuspendedWindow& record : suspendedWindows) {
    if (IsThisThread(record.threadId) && record.wasTopmost) {
      SetWindowPos(record.window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
  }
}

template <typename Entry>
Entry FindEntry(HMODULE library, const char* name) {
  // Through void(*)(), the one function pointer type any other converts to without a warning.
  return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// The picker selects this folder when it opens. A trailing separator is dropped, except on a
// drive root ("C:\"), where it is part of the name.
void PrepareInitialFolder(const std::wstring& folder, wchar_t (&buffer)[MAX_PATH]) {
  const size_t copied = folder.copy(buffer, MAX_PATH - 1);
  buffer[copied] = L'\0';
  buffer[MAX_PATH - 1] = L'\0';
  const size_t length = wcslen(buffer);
  if (length > 3 && buffer[length - 1] == L'\\') buffer[length - 1] = L'\0';
}

// The item's file-system path with one trailing separator, or empty text for an item that has
// no path (a virtual folder such as the computer node). The item is freed here.
std::wstring PathOfItem(PathEntry getPath, PIDLIST_ABSOLUTE item) {
  wchar_t buffer[MAX_PATH];
  buffer[0] = L'\0';
  getPath(item, buffer);  // leaves the buffer empty for an item without a path
  CoTaskMemFree(item);
  buffer[MAX_PATH - 1] = L'\0';
  std::wstring path(buffer);
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path;
}

}  // namespace

void InitShellServices() {
  INITCOMMONCONTROLSEX classes;
  classes.dwSize = 8;
  classes.dwICC = ICC_TAB_CLASSES | ICC_HOTKEY_CLASS | ICC_DATE_CLASSES | ICC_USEREX_CLASSES |
                  ICC_INTERNET_CLASSES;  // 0xB48, the window's own request
  InitCommonControlsEx(&classes);
  // The picker and the shortcut writer need a single-threaded apartment; it lasts the process.
  CoInitialize(nullptr);
}

HWND DialogOwner() {
  HWND foreground = GetForegroundWindow();
  if (!foreground) return nullptr;
  DWORD process = 0;
  GetWindowThreadProcessId(foreground, &process);
  return process == GetCurrentProcessId() ? foreground : nullptr;
}

void SuspendThreadWindows() {
  EnumWindows(RecordThreadWindow, 0);
  LowerTopmostWindows();
}

void RestoreThreadWindows() {
  auto before = suspendedWindows.before_begin();
  for (auto it = suspendedWindows.begin(); it != suspendedWindows.end();) {
    if (!IsThisThread(it->threadId)) {
      before = it++;
      continue;
    }
    if (it->disabledHere) EnableWindow(it->window, TRUE);
    if (it->wasTopmost) {
      SetWindowPos(it->window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    it = suspendedWindows.erase_after(before);
  }
}

std::vector<SuspendedWindow> SuspendedWindowsOfThisThread() {
  std::vector<SuspendedWindow> records;
  for (const SuspendedWindow& record : suspendedWindows) {
    if (IsThisThread(record.threadId)) records.push_back(record);
  }
  return records;
}

int ShowMessage(const std::wstring& title, const std::wstring& text, unsigned flags) {
  HWND owner = DialogOwner();
  SuspendThreadWindows();
  // The title goes as text even when empty: a null title would show the platform's "Error".
  int answer = MessageBoxW(owner, text.c_str(), title.c_str(), flags);
  RestoreThreadWindows();
  return answer;
}

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data) {
    // The sent selection lands while the dialog is still opening; the posted copy is handled
    // once it is up, in case the first one was lost. data stays valid: BrowseForFolder holds
    // the buffer until the dialog has closed.
    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
    Sleep(SelectionRepeatDelay);
    PostMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
  }
  return 0;
}

std::wstring BrowseForFolderFrom(const wchar_t* shellLibrary, const std::wstring& title,
                                 const std::wstring& initialFolder) {
  if (!pickerStartedCom) {
    pickerStartedCom = true;
    CoInitialize(nullptr);
  }
  BROWSEINFOW request;
  ZeroMemory(&request, sizeof request);

  LibraryGuard library(LoadLibraryW(shellLibrary));
  if (!library.handle) return std::wstring();
  auto browse = FindEntry<BrowseEntry>(library.handle, "SHBrowseForFolderW");
  auto getPath = FindEntry<PathEntry>(library.handle, "SHGetPathFromIDListW");
  // Without both there is no way to hand back a choice: show nothing, as for no library.
  if (!browse || !getPath) return std::wstring();

  // Lives until the posted selection of BrowseCallback has been handled inside the dialog.
  wchar_t initial[MAX_PATH];
  PrepareInitialFolder(initialFolder, initial);

  request.hwndOwner = DialogOwner();
  request.pidlRoot = nullptr;
  request.pszDisplayName = nullptr;
  request.lpszTitle = title.c_str();
  request.ulFlags = PickerFlags;
  request.lpfn = BrowseCallback;
  request.lParam = reinterpret_cast<LPARAM>(initial);

  SuspendThreadWindows();
  PIDLIST_ABSOLUTE item = browse(&request);
  RestoreThreadWindows();
  if (!item) return std::wstring();
  return PathOfItem(getPath, item);
}

std::wstring BrowseForFolder(const std::wstring& title, const std::wstring& initialFolder) {
  return BrowseForFolderFrom(L"SHELL32.DLL", title, initialFolder);
}
