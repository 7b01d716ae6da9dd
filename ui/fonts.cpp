// Placeholder until the font table lands: no font is ever held.
#include "ui/fonts.h"

#include "ui/controls.h"
#include "ui/status_style.h"
#include "ui/window.h"

void StartFontService() {}
HFONT CreateNamedFont(int, const wchar_t*, int) { return nullptr; }
HFONT GetFontHandle(int) { return nullptr; }
void ReleaseAllFonts() {}

void ApplyStatusStyle(const StatusStyle& style) {
  SetControlFont(StatusLine, GetFontHandle(style.fontNumber));
  SetControlColor(StatusLine, TextColorKind, style.color);
}
