// The modal guard around every dialog of the installer. While a dialog is open the thread's
// other visible windows take no input: the dialog disables its owner itself, the guard
// disables the rest and takes topmost ones out of the topmost band, so that the dialog is
// never hidden behind them. Always used in this order, on one thread:
//   DialogOwner, SuspendThreadWindows, the dialog, RestoreThreadWindows.
#pragma once

#include <windows.h>

#include <vector>

// One window that SuspendThreadWindows has seen.
struct SuspendedWindow {
  DWORD threadId;     // the thread that made the record
  HWND window;        // a visible top-level window of that thread
  BYTE wasTopmost;    // it had WS_EX_TOPMOST when the record was made
  BYTE disabledHere;  // SuspendThreadWindows disabled it (the foreground one never is)
};

// The foreground window when this process owns it, otherwise none.
HWND DialogOwner();

// Records the calling thread's visible top-level windows, disables those that are enabled and
// not in the foreground, and moves the topmost ones out of the topmost band.
void SuspendThreadWindows();

// Undoes SuspendThreadWindows for the calling thread's records and drops them; other
// threads' records stay as they are.
void RestoreThreadWindows();

// The calling thread's records as they stand, newest first. Empty whenever no dialog of this
// thread is open.
std::vector<SuspendedWindow> SuspendedWindowsOfThisThread();
