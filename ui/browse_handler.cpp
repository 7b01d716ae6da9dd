#include "ui/browse_handler.h"

#include "core/install_path.h"
#include "core/profile.h"
#include "shell/dialogs.h"
#include "ui/controls.h"

void RunBrowseHandler() {
  const std::wstring chosen = BrowseForFolder(InstallerProfile().PickerTitle, std::wstring());
  // Empty text is a cancel (or a picker that could not be shown, or a folder without a path):
  // the destination the user already had, typed or picked, is kept as it is.
  if (chosen.empty()) return;
  SetInstallPath(NormalizeInstallPath(chosen));
  SetControlText(FolderField, InstallPath());
}
