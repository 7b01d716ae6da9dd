#include "ui/layout.h"

#include <gtest/gtest.h>

#include "ui/controls.h"

namespace {

constexpr int kWindowHeight = 430;

// One control's expected place; the y and the width are given for the carried banner.
struct PlacementRow {
  const char* name;
  int number;
  int x;
  int y;
  int width;
  int height;
  bool widthFollowsBanner;
};

// In creation order: the Tab order (FolderField, InstallButton, BrowseButton) comes from it.
const PlacementRow kCarriedBannerRows[] = {
    {"BannerImage", BannerImage, 2, 2, 0, 0, false},
    {"SeparatorLine", SeparatorLine, 5, 242, 604, 3, true},
    {"FolderLabel", FolderLabel, 20, 262, 120, 20, false},
    {"FolderField", FolderField, 150, 262, 360, 20, false},
    {"InstallButton", InstallButton, 360, 292, 150, 30, false},
    {"BrowseButton", BrowseButton, 150, 292, 150, 30, false},
    {"ProgressFrame", ProgressFrame, 10, 322, 594, 40, true},
    {"ProgressBar", ProgressBar, 20, 338, 574, 15, true},
    {"StatusLine", StatusLine, 20, 367, 574, 20, true},
};

void ExpectPlacement(const ControlPlacement& got, int number, int x, int y, int width,
                     int height) {
  EXPECT_EQ(got.number, number);
  EXPECT_EQ(got.x, x);
  EXPECT_EQ(got.y, y);
  EXPECT_EQ(got.width, width);
  EXPECT_EQ(got.height, height);
}

TEST(InstallerLayout, CarriedBannerGivesTheDocumentedPlaces) {
  const InstallerLayout layout = ComputeInstallerLayout(614, 237, kWindowHeight);
  EXPECT_TRUE(layout.showsBanner);
  EXPECT_EQ(layout.innerWidth, 614);
  EXPECT_EQ(layout.innerHeight, 430);
  for (int i = 0; i < InstallerControlCount; ++i) {
    const PlacementRow& row = kCarriedBannerRows[i];
    SCOPED_TRACE(row.name);
    ExpectPlacement(layout.controls[i], row.number, row.x, row.y, row.width, row.height);
  }
}

TEST(InstallerLayout, CarriedBannerFactsHold) {
  const InstallerLayout layout = ComputeInstallerLayout(614, 237, kWindowHeight);
  const ControlPlacement& field = *FindControlPlacement(layout, FolderField);
  const ControlPlacement& browse = *FindControlPlacement(layout, BrowseButton);
  const ControlPlacement& install = *FindControlPlacement(layout, InstallButton);
  const ControlPlacement& frame = *FindControlPlacement(layout, ProgressFrame);
  const ControlPlacement& bar = *FindControlPlacement(layout, ProgressBar);
  const ControlPlacement& status = *FindControlPlacement(layout, StatusLine);
  // The field spans the two buttons exactly.
  EXPECT_EQ(field.x, browse.x);
  EXPECT_EQ(field.x + field.width, install.x + install.width);
  // The bar sits inside the frame, the status line under it; all of it inside the window.
  EXPECT_EQ(bar.x - frame.x, 10);
  EXPECT_EQ(frame.x + frame.width - (bar.x + bar.width), 10);
  EXPECT_EQ(bar.y - frame.y, 16);
  EXPECT_EQ(status.y - (frame.y + frame.height), 5);
  EXPECT_EQ(status.y + status.height, 387);
  for (const ControlPlacement& c : layout.controls) {
    SCOPED_TRACE(c.number);
    EXPECT_GE(c.width, 0);
    EXPECT_LE(c.x + c.width, layout.innerWidth);
    EXPECT_LE(c.y + c.height, layout.innerHeight);
  }
  EXPECT_EQ(FindControlPlacement(layout, 2), nullptr);
}

// Another banner moves every control below it by the change in height and changes only the
// four widths that follow the banner's width; the window's inner height does not change.
TEST(InstallerLayout, OtherBannerSizesMoveAndStretchTheControls) {
  struct SizeCase {
    const char* note;
    int width;
    int height;
  };
  const SizeCase cases[] = {
      {"wider and taller", 800, 300},
      {"narrower and shorter", 500, 120},
      {"same width, other height", 614, 200},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.note);
    const InstallerLayout layout = ComputeInstallerLayout(c.width, c.height, kWindowHeight);
    EXPECT_TRUE(layout.showsBanner);
    EXPECT_EQ(layout.innerWidth, c.width);
    EXPECT_EQ(layout.innerHeight, 430);
    for (int i = 0; i < InstallerControlCount; ++i) {
      const PlacementRow& row = kCarriedBannerRows[i];
      SCOPED_TRACE(row.name);
      const int dy = row.number == BannerImage ? 0 : c.height - 237;
      const int dw = row.widthFollowsBanner ? c.width - 614 : 0;
      ExpectPlacement(layout.controls[i], row.number, row.x, row.y + dy, row.width + dw,
                      row.height);
    }
  }
}

// A banner that could not be decoded reports 0 by 0 (or one of the two as 0): the window is
// laid out as for the carried banner, without the picture, instead of collapsing to width 0.
TEST(InstallerLayout, MissingBannerKeepsTheCarriedBannerLayout) {
  const InstallerLayout nominal = ComputeInstallerLayout(614, 237, kWindowHeight);
  const int sizes[][2] = {{0, 0}, {614, 0}, {0, 237}, {-1, -1}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1]);
    const InstallerLayout layout = ComputeInstallerLayout(size[0], size[1], kWindowHeight);
    EXPECT_FALSE(layout.showsBanner);
    EXPECT_EQ(layout.innerWidth, 614);
    EXPECT_EQ(layout.innerHeight, 430);
    for (int i = 0; i < InstallerControlCount; ++i) {
      SCOPED_TRACE(kCarriedBannerRows[i].name);
      const ControlPlacement& want = nominal.controls[i];
      ExpectPlacement(layout.controls[i], want.number, want.x, want.y, want.width, want.height);
      EXPECT_GE(layout.controls[i].width, 0);
    }
  }
}

TEST(CentredPosition, CentresAndPinsOversizedWindowsAtZero) {
  struct CentreCase {
    const char* note;
    int screen;
    int outer;
    int expected;
  };
  const CentreCase cases[] = {
      {"even difference", 1280, 620, 330},
      {"odd difference rounds towards zero", 1024, 621, 201},
      {"as large as the screen", 800, 800, 0},
      {"larger than the screen", 600, 620, 0},
      {"much larger than the screen", 480, 2000, 0},
  };
  for (const CentreCase& c : cases) {
    SCOPED_TRACE(c.note);
    EXPECT_EQ(CentredPosition(c.screen, c.outer), c.expected);
  }
}

}  // namespace
