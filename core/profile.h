// The fixed table of everything that makes this installer install Tovalu: names, texts,
// status-line styles, pauses and progress steps. Changing the product means changing
// profile.cpp and nothing else. Filled once at start-up, read-only afterwards.
#pragma once

#include <string>

// One look of the status line: the font (by number, face and size) and the text colour.
struct StatusStyle {
  int fontNumber;
  const wchar_t* face;
  int points;
  long color;  // red + green * 256 + blue * 65536
};

struct InstallerProfileTable {
  // Product and the names of what the installation creates.
  std::wstring ProductName;
  std::wstring ProductDescription;
  std::wstring WindowTitle;
  std::wstring BannerCaption;
  std::wstring PayloadFolderName;
  std::wstring DefaultDriveRoot;
  std::wstring PathFileName;
  std::wstring DesktopFolderName;
  std::wstring ExecutableSuffix;
  std::wstring ShortcutSuffix;

  // Control texts.
  std::wstring FolderLabelText;
  std::wstring InstallButtonText;
  std::wstring BrowseButtonText;
  std::wstring PickerTitle;

  // Status texts, in the order the install sequence shows them.
  std::wstring StatusDiskCheck;
  std::wstring StatusInstalling;
  std::wstring StatusCopyPrefix;
  std::wstring StatusConfig;
  std::wstring StatusIcons;
  std::wstring StatusSaving;

  // Message boxes. The existing-folder question is built from two pieces around the path.
  std::wstring AskExistingFolderTitle;
  std::wstring AskExistingFolderBefore;
  std::wstring AskExistingFolderAfter;
  unsigned AskExistingFolderFlags;
  std::wstring ShortcutFailedTitle;
  std::wstring ShortcutFailedText;
  unsigned ShortcutFailedFlags;
  std::wstring InstallDoneTitle;
  std::wstring InstallDoneText;
  unsigned InstallDoneFlags;

  StatusStyle IdleStyle;
  StatusStyle BusyStyle;

  // Pacing of the install sequence, in milliseconds and progress-bar units.
  int PauseEachEntry;
  int PauseAfterConfig;
  int PauseAfterDelete;
  int PauseAfterShortcut;
  int PauseAfterSaving;
  int ProgressStart;
  int ProgressJitterMax;
  int ProgressFinal;
  int WindowHeight;

  // Shown instead of InstallDone when the payload did not fully reach the destination: a
  // finished message over a half-empty folder would send the user off with a broken program.
  std::wstring InstallFailedTitle;
  unsigned InstallFailedFlags;
  std::wstring PayloadMissingBefore;  // + PayloadFolderName
  std::wstring PayloadMissingMiddle;  // + InstallPath
  std::wstring PayloadMissingAfter;
  std::wstring CopyIncompleteBefore;  // + InstallPath
  std::wstring CopyIncompleteAfter;
};

// Fills the table; called once at start-up before the window is built.
void FillInstallerProfile();

// The table, read-only. Filled on first use if start-up has not done it yet.
const InstallerProfileTable& InstallerProfile();

// "c:\" followed by the product name: the destination offered at start-up.
std::wstring DefaultInstallPath();

// The existing-folder question for one destination, the path kept exactly as given.
std::wstring AskExistingFolderText(const std::wstring& installPath);

// The failure messages of an installation, naming the destination exactly as given: the
// payload folder was not found, or some of its files could not be copied.
std::wstring PayloadMissingText(const std::wstring& installPath);
std::wstring CopyIncompleteText(const std::wstring& installPath);

// A colour as the installer holds it: red + green * 256 + blue * 65536.
constexpr long ColorValue(int red, int green, int blue) {
  return red + green * 256L + blue * 65536L;
}
