// Program entry: prepares the services, builds the window and runs the event loop until the
// window is closed or one installation has run to its end.
#include <windows.h>

#include "core/install_path.h"
#include "core/install_sequence.h"
#include "core/profile.h"
#include "fs/directory_scan.h"
#include "fs/numbered_file.h"
#include "shell/dialogs.h"
#include "ui/banner_data.h"
#include "ui/browse_handler.h"
#include "ui/controls.h"
#include "ui/dll_search.h"
#include "ui/event_loop.h"
#include "ui/fonts.h"
#include "ui/images.h"
#include "ui/status_style.h"
#include "ui/window.h"

namespace {

bool quitRequested = false;

void StartServices() {
  StartFontService();
  StartControlServices();
  // Last: the thread becomes the dialogs' and the shortcut writer's COM apartment.
  InitShellServices();
}

void OpenInstallerWindow() {
  RegisterJpegDecoder();
  // The window's size follows the picture's; a picture that cannot be decoded leaves the
  // window at its usual size without one.
  DecodeImage(1, BannerJpeg, BannerJpegLength);
  BuildInstallerWindow();
  ApplyStatusStyle(InstallerProfile().IdleStyle);
  SetInstallPath(DefaultInstallPath());
  SetControlText(FolderField, InstallPath());
}

void HandleEvent(const WindowEvent& event) {
  if (event.kind == EventControl) {
    if (event.control == BrowseButton) RunBrowseHandler();
    if (event.control == InstallButton) RunInstallation();
  } else if (event.kind == EventClose) {
    quitRequested = true;
  }
}

void ReleaseEverything() {
  DestroyInstallerWindow();
  EndAllDirectoryScans();
  CloseAllNumberedFiles();
  ReleaseAllFonts();
  ReleaseAllImages();
}

}  // namespace

void SetQuitFlag() { quitRequested = true; }

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before any DLL is loaded by name: none may come from the folder the installer runs from.
  RestrictDllSearchToSystemFolder();
  StartServices();
  FillInstallerProfile();
  OpenInstallerWindow();
  quitRequested = false;
  do {
    HandleEvent(WaitForEvent());
  } while (!quitRequested);
  ReleaseEverything();
  // However the loop ended, the run counts as done.
  return 0;
}
