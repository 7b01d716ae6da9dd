#include "ui/layout.h"

#include "ui/controls.h"

InstallerLayout ComputeInstallerLayout(int bannerWidth, int bannerHeight, int windowHeight) {
  // Without a picture the window keeps the shape it has with the carried banner: an inner
  // width of 0 would leave a window with no room and controls of negative width.
  const bool showsBanner = bannerWidth > 0 && bannerHeight > 0;
  const int w = showsBanner ? bannerWidth : NominalBannerWidth;
  const int h = showsBanner ? bannerHeight : NominalBannerHeight;
  return InstallerLayout{
      w,
      windowHeight,
      showsBanner,
      {
          // The picture control is created empty and takes the picture's own size; it starts
          // 2 pixels in, so its last two columns fall outside the inner area.
          {BannerImage, 2, 2, 0, 0},
          {SeparatorLine, 5, h + 5, w - 10, 3},
          {FolderLabel, 20, h + 25, 120, 20},
          {FolderField, 150, h + 25, 360, 20},
          {InstallButton, 360, h + 55, 150, 30},
          {BrowseButton, 150, h + 55, 150, 30},
          {ProgressFrame, 10, h + 85, w - 20, 40},
          {ProgressBar, 20, h + 101, w - 40, 15},
          {StatusLine, 20, h + 130, w - 40, 20},
      },
  };
}

const ControlPlacement* FindControlPlacement(const InstallerLayout& layout, int number) {
  for (const ControlPlacement& placement : layout.controls) {
    if (placement.number == number) return &placement;
  }
  return nullptr;
}

int CentredPosition(int screenExtent, int outerExtent) {
  const int used = outerExtent < screenExtent ? outerExtent : screenExtent;
  return (screenExtent - used) / 2;
}
