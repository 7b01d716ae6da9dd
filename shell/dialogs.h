// The installer's modal dialogs: the folder picker and the message boxes. While one is open,
// the thread's other windows take no input (see modal_guard.h).
#pragma once

#include <string>

// Once at start-up on the window's thread: common controls, and a single-threaded COM
// apartment for the picker and the shortcut writer.
void InitShellServices();

// A message box with the flags exactly as given (MessageBoxW's form). An empty title stays an
// empty title bar. Returns the button code (IDOK 1, IDCANCEL 2, IDYES 6, IDNO 7), 0 when the
// box cannot be shown.
int ShowMessage(const std::wstring& title, const std::wstring& text, unsigned flags = 0);

// The folder picker. Returns the chosen folder ending with "\", or empty text for a cancel,
// an item without a file-system path, or a picker that cannot be shown.
std::wstring BrowseForFolder(const std::wstring& title, const std::wstring& initialFolder);
