// The font service: numbered fonts sized for the display's vertical resolution.
#include "ui/fonts.h"

#include "ui/font_metrics.h"

namespace {

constexpr int FontLimit = 16;
constexpr int FallbackDotsPerInch = 96;

HFONT fonts[FontLimit];
int displayDotsPerInch = FallbackDotsPerInch;

bool IsFontNumber(int number) { return number >= 0 && number < FontLimit; }

void ReleaseFont(int number) {
  if (fonts[number] != nullptr) DeleteObject(fonts[number]);
  fonts[number] = nullptr;
}

}  // namespace

void StartFontService() {
  displayDotsPerInch = FallbackDotsPerInch;
  HDC display = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
  if (display == nullptr) return;
  const int dotsPerInch = GetDeviceCaps(display, LOGPIXELSY);
  DeleteDC(display);
  if (dotsPerInch > 0) displayDotsPerInch = dotsPerInch;
}

HFONT CreateNamedFont(int number, const wchar_t* face, int points) {
  if (!IsFontNumber(number)) return nullptr;
  ReleaseFont(number);
  // A face that is not installed still gives a font: the font mapper picks the closest one.
  fonts[number] = CreateFontW(FontHeightForPoints(points, displayDotsPerInch), 0, 0, 0, FW_NORMAL,
                              FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
  return fonts[number];
}

HFONT GetFontHandle(int number) { return IsFontNumber(number) ? fonts[number] : nullptr; }

void ReleaseAllFonts() {
  for (int number = 0; number < FontLimit; ++number) ReleaseFont(number);
}
