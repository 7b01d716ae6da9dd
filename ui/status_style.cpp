// The status line's two looks: a font from the font service and a text colour.
#include "ui/status_style.h"

#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/window.h"

// The idle look's font (number 0) stays alive after the busy look (number 1) replaces it on
// the line; both go only at program end.
void ApplyStatusStyle(const StatusStyle& style) {
  CreateNamedFont(style.fontNumber, style.face, style.points);
  SetControlFont(StatusLine, GetFontHandle(style.fontNumber));
  SetControlColor(StatusLine, TextColorKind, style.color);
}
