// The font service under Wine: the fonts it asks for and how long the table keeps them.
#include "ui/fonts.h"

#include <gtest/gtest.h>

#include <cstring>

#include "ui/font_metrics.h"

namespace {

int DisplayDotsPerInch() {
  HDC display = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
  if (display == nullptr) return 96;
  const int dotsPerInch = GetDeviceCaps(display, LOGPIXELSY);
  DeleteDC(display);
  return dotsPerInch;
}

LOGFONTW DescriptionOf(HFONT font) {
  LOGFONTW description;
  std::memset(&description, 0xCC, sizeof description);
  EXPECT_EQ(GetObjectW(font, sizeof description, &description), static_cast<int>(sizeof description));
  return description;
}

class FontService : public testing::Test {
 protected:
  void SetUp() override { StartFontService(); }
  void TearDown() override { ReleaseAllFonts(); }
};

TEST_F(FontService, StatusFontsAreAskedForByFaceAndCharacterHeight) {
  const int dotsPerInch = DisplayDotsPerInch();
  struct Row {
    int number;
    const wchar_t* face;
    int points;
  } rows[] = {{0, L"calibri", 12}, {1, L"trebuchet ms", 9}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.number);
    const HFONT font = CreateNamedFont(r.number, r.face, r.points);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(GetFontHandle(r.number), font);
    const LOGFONTW d = DescriptionOf(font);
    EXPECT_EQ(d.lfHeight, -MulDiv(r.points, dotsPerInch, 72));
    EXPECT_EQ(d.lfWidth, 0);
    EXPECT_EQ(d.lfEscapement, 0);
    EXPECT_EQ(d.lfOrientation, 0);
    EXPECT_EQ(d.lfWeight, FW_NORMAL);
    EXPECT_EQ(d.lfItalic, 0);
    EXPECT_EQ(d.lfUnderline, 0);
    EXPECT_EQ(d.lfStrikeOut, 0);
    EXPECT_EQ(d.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(d.lfOutPrecision, OUT_DEFAULT_PRECIS);
    EXPECT_EQ(d.lfClipPrecision, CLIP_DEFAULT_PRECIS);
    EXPECT_EQ(d.lfQuality, DEFAULT_QUALITY);
    EXPECT_EQ(d.lfPitchAndFamily, 0);
    EXPECT_STREQ(d.lfFaceName, r.face);  // kept as given, lower case and all
  }
}

// The height arithmetic is checked natively; here it must agree with the platform's MulDiv.
TEST_F(FontService, HeightArithmeticAgreesWithMulDiv) {
  for (int dotsPerInch : {72, 96, 120, 144, 168, 192, 288}) {
    for (int points = -40; points <= 200; ++points) {
      ASSERT_EQ(-MulDivRounded(points, dotsPerInch, 72), -MulDiv(points, dotsPerInch, 72))
          << points << " pt at " << dotsPerInch;
    }
  }
}

TEST_F(FontService, FontsLiveUntilTheirNumberIsReusedOrTheEnd) {
  const HFONT idle = CreateNamedFont(0, L"calibri", 12);
  ASSERT_NE(idle, nullptr);
  const HFONT busy = CreateNamedFont(1, L"trebuchet ms", 9);
  ASSERT_NE(busy, nullptr);
  EXPECT_EQ(GetObjectType(idle), static_cast<DWORD>(OBJ_FONT)) << "font 0 survives font 1";
  EXPECT_EQ(GetFontHandle(0), idle);

  const HFONT again = CreateNamedFont(1, L"trebuchet ms", 9);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(GetFontHandle(1), again);
  EXPECT_EQ(GetObjectType(busy), 0u) << "the number's old font is released";

  ReleaseAllFonts();
  EXPECT_EQ(GetFontHandle(0), nullptr);
  EXPECT_EQ(GetFontHandle(1), nullptr);
  EXPECT_EQ(GetObjectType(idle), 0u);
  EXPECT_EQ(GetObjectType(again), 0u);
}

TEST_F(FontService, NumbersThatHoldNothingAnswerZero) {
  for (int number : {0, 1, 15, 16, -1, 1000}) {
    SCOPED_TRACE(number);
    EXPECT_EQ(GetFontHandle(number), nullptr);
  }
  EXPECT_EQ(CreateNamedFont(-1, L"calibri", 12), nullptr);
  EXPECT_EQ(CreateNamedFont(1000, L"calibri", 12), nullptr);
}

}  // namespace
