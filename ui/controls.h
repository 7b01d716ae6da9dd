// The installer window's controls as the rest of the program sees them: numbers, and the
// operations that change them. Every operation redraws the control before it returns, so the
// install sequence is seen step by step although it never returns to the event loop.
// A number that names no control makes them do nothing (or give empty text / 0).
#pragma once

#include <string>

enum ControlNumber {
  BannerImage = 1,
  FolderLabel = 5,
  FolderField = 6,
  SeparatorLine = 7,
  BrowseButton = 8,
  InstallButton = 9,
  ProgressFrame = 10,
  ProgressBar = 11,
  StatusLine = 12,
};

constexpr int TextColorKind = 1;
constexpr long NoColor = -1;

// Replaces the control's whole text; raises no event.
void SetControlText(int control, const std::wstring& text);
// The control's whole current text, however long.
std::wstring GetControlText(int control);
// For the progress bar: shows the new position at once, without the themed bar's slow growth.
void SetControlState(int control, int value);
// true: disabled and greyed, takes no input and raises no event; false: enabled again.
void DisableControl(int control, bool disabled);
