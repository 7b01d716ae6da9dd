// Font heights for the display's resolution, rounded as MulDiv rounds.
#include "ui/font_metrics.h"

#include <gtest/gtest.h>

namespace {

TEST(FontMetrics, StatusFontHeightsAtCommonResolutions) {
  struct Row {
    int points;
    int dotsPerInch;
    int height;
  } rows[] = {
      {12, 96, -16}, {9, 96, -12}, {12, 120, -20}, {9, 120, -15}, {12, 144, -24}, {9, 144, -18},
      {10, 96, -13},  // 13.33 rounds down
      {11, 96, -15},  // 14.67 rounds up
      {7, 120, -12},  // 11.67
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.points << " pt at " << r.dotsPerInch << " dpi");
    EXPECT_EQ(FontHeightForPoints(r.points, r.dotsPerInch), r.height);
  }
}

TEST(FontMetrics, MulDivRoundsHalvesAwayFromZeroAndFlagsWhatItCannotAnswer) {
  struct Row {
    const char* note;
    int a, b, c;
    int result;
  } rows[] = {
      {"half rounds up", 3, 12, 72, 1},
      {"negative half rounds down", -3, 12, 72, -1},
      {"negative divisor", 3, 12, -72, -1},
      {"just under half", 35, 1, 72, 0},
      {"zero divisor", 5, 5, 0, -1},
      {"too large", 2147483647, 2, 1, -1},
      {"wide intermediate product", 2147483647, 96, 96, 2147483647},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.note);
    EXPECT_EQ(MulDivRounded(r.a, r.b, r.c), r.result);
  }
}

}  // namespace
