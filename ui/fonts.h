// Numbered fonts for the status line (0: idle look, 1: busy look).
#pragma once

#include <windows.h>

// At start-up: reads the display's vertical resolution once (96 when it cannot be had).
void StartFontService();
// Creates a font of points size by face name under number, releasing what the number held.
// Returns the font, or 0 on failure (the number then holds nothing).
HFONT CreateNamedFont(int number, const wchar_t* face, int points);
// 0 when the number holds no font.
HFONT GetFontHandle(int number);
// At program end.
void ReleaseAllFonts();
