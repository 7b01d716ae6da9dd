// Helpers for the dialog tests: plain windows to put under the modal guard, and a driver that
// answers a modal dialog of this thread from inside its own modal loop, without a user.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

struct TestWindowOptions {
  bool visible = true;
  bool enabled = true;
  bool topmost = false;
  bool foreground = false;  // shown activated and made the foreground window
};

// A top-level window of the calling thread, destroyed with the object.
class TestWindow {
 public:
  explicit TestWindow(const TestWindowOptions& options);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND handle() const { return window_; }

 private:
  HWND window_;
};

bool IsTopmost(HWND window);

// The visible dialog (class #32770) that the calling thread has open, or none.
HWND FindThreadDialog();
// The first child (at any depth) of that class whose text is exactly text, or none.
HWND FindChildWithText(HWND parent, const wchar_t* className, const std::wstring& text);
std::wstring WindowText(HWND window);

// Runs open() (which shows a modal dialog on this thread and returns when it closes) while a
// timer of this thread calls onDialog(dialog) every few milliseconds once the dialog is up,
// until onDialog returns true (it has answered the dialog). If nothing answers within the
// deadline the dialog is ended with WM_QUIT and `answered` comes back false.
struct DriveResult {
  bool answered;
  int result;
};
DriveResult DriveDialog(const std::function<int()>& open,
                        const std::function<bool(HWND dialog)>& onDialog,
                        DWORD deadlineMs = 15000);

// Answers a dialog the ways a user can: a button, Escape, or the close box.
void ClickButton(HWND dialog, int id);
void PressEscape(HWND dialog);
void PressCloseBox(HWND dialog);

// Handles this thread's pending messages until done() holds or the deadline passes.
bool PumpUntil(const std::function<bool()>& done, DWORD deadlineMs = 5000);
