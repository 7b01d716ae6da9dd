// The installer window and its event queue, as the program entry and the style service use
// them. Control numbers and the operations the install sequence uses are in controls.h.
#pragma once

#include <windows.h>

// What WaitForEvent delivers: a kind and, for EventControl, the control's number.
struct WindowEvent {
  int kind;
  int control;
};

constexpr int EventControl = 13100;
constexpr int EventClose = 13116;

// At start-up: fetches the default control font and makes the common controls available.
void StartControlServices();
// Opens the centred, fixed-size window at the banner's width and creates the nine controls.
void BuildInstallerWindow();
// Blocks until the next event of the window's thread; keeps the window painted and handles
// Tab and Shift+Tab meanwhile.
WindowEvent WaitForEvent();
// At program end: destroys the controls and the window.
void DestroyInstallerWindow();

// The control draws with font from now on (0: the system font) and redraws.
void SetControlFont(int control, HFONT font);
// kind TextColorKind: the text colour (NoColor: the platform's default); shows at next paint.
void SetControlColor(int control, int kind, long color);
