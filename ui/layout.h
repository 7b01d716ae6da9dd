// Where the installer window's controls go, worked out from the banner picture's size.
// Plain arithmetic without Win32, so that it is tested natively.
#pragma once

// The banner the program carries; a banner that cannot be decoded is laid out as this one.
constexpr int NominalBannerWidth = 614;
constexpr int NominalBannerHeight = 237;
constexpr int InstallerControlCount = 9;

struct ControlPlacement {
  int number;
  int x;
  int y;
  int width;
  int height;
};

struct InstallerLayout {
  int innerWidth;
  int innerHeight;
  // Whether the banner picture is shown; false when it could not be decoded.
  bool showsBanner;
  // In creation order, which is also the order of the Tab stops.
  ControlPlacement controls[InstallerControlCount];
};

// The window's inner size and every control's place for a banner of bannerWidth by
// bannerHeight pixels (0 by 0 when there is none) in a window of windowHeight inner pixels.
InstallerLayout ComputeInstallerLayout(int bannerWidth, int bannerHeight, int windowHeight);

// The control's placement in layout, or null when the number is not one of its controls.
const ControlPlacement* FindControlPlacement(const InstallerLayout& layout, int number);

// Left (or top) of a window of outerExtent pixels centred on a screen of screenExtent
// pixels; a window larger than the screen starts at 0.
int CentredPosition(int screenExtent, int outerExtent);
