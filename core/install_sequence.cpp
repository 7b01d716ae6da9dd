#include "core/install_sequence.h"

#include <string>

#include "core/install_path.h"
#include "core/pacing.h"
#include "core/profile.h"
#include "fs/directory_scan.h"
#include "fs/numbered_file.h"
#include "fs/tree_copy.h"
#include "shell/dialogs.h"
#include "shell/shortcut.h"
#include "ui/controls.h"
#include "ui/event_loop.h"
#include "ui/status_style.h"

namespace {

// Scan and file numbers held only while one step runs.
constexpr int ExistingFolderScan = 14;
constexpr int PayloadScan = 0;
constexpr int PathFileNumber = 0;

constexpr int AnswerYes = 6;

// What the installation learnt about the payload on its way; decides the closing message.
struct CopyOutcome {
  bool payloadFound;
  bool everythingCopied;
};

bool ConfirmDestination();
void BeginBusyLook();
CopyOutcome CopyPayload(const std::wstring& payloadFolder, int& progress);
bool ReplayPayloadEntries(const std::wstring& payloadFolder, int& progress);
void RecordInstallPath(int& progress);
void WriteShortcut();
void FinishSaving(int& progress);
void ReportOutcome(const CopyOutcome& outcome);
void ReturnToIdleControls();

void SetStatus(const std::wstring& text) { SetControlText(StatusLine, text); }

int RandomStep() { return RandomWholeNumber(InstallerProfile().ProgressJitterMax); }

void StepBar(int& progress, int step) {
  progress += step;
  SetControlState(ProgressBar, progress);
}

bool IsShownEntryName(const std::wstring& name) {
  return !name.empty() && name != L"." && name != L"..";
}

}  // namespace

void RunInstallation() {
  const InstallerProfileTable& p = InstallerProfile();
  // The field is left as typed; only InstallPath takes the normalised form.
  SetInstallPath(NormalizeInstallPath(GetControlText(FolderField)));
  if (!ConfirmDestination()) return;

  // From here on the installation runs to its end.
  BeginBusyLook();
  int progress = p.ProgressStart;
  SetControlState(ProgressBar, progress);
  StepBar(progress, RandomStep());
  SetStatus(p.StatusInstalling);

  const std::wstring payloadFolder = CurrentDirectoryPath() + p.PayloadFolderName;
  const CopyOutcome outcome = CopyPayload(payloadFolder, progress);

  SetStatus(p.StatusConfig);
  StepBar(progress, 1);
  PauseMilliseconds(p.PauseAfterConfig);
  RecordInstallPath(progress);
  WriteShortcut();
  StepBar(progress, 1);
  PauseMilliseconds(p.PauseAfterShortcut);
  FinishSaving(progress);

  SetStatus(L"");
  SetControlState(ProgressBar, p.ProgressFinal);
  ReportOutcome(outcome);
  SetControlText(FolderField, L"");
  ReturnToIdleControls();
  SetQuitFlag();
}

namespace {

// An existing destination (empty or not) may hold files the copy would overwrite: only a
// Yes goes on. Any other answer leaves everything but InstallPath as it was.
bool ConfirmDestination() {
  const InstallerProfileTable& p = InstallerProfile();
  if (!BeginDirectoryScan(ExistingFolderScan, InstallPath(), L"*.*")) return true;
  const int answer =
      ShowMessage(p.AskExistingFolderTitle, AskExistingFolderText(InstallPath()),
                  p.AskExistingFolderFlags);
  EndDirectoryScan(ExistingFolderScan);
  return answer == AnswerYes;
}

void BeginBusyLook() {
  const InstallerProfileTable& p = InstallerProfile();
  DisableControl(BrowseButton, true);
  DisableControl(InstallButton, true);
  // No disk space is measured: the text only tells the user that the work has begun.
  SetStatus(p.StatusDiskCheck);
  ApplyStatusStyle(p.BusyStyle);
}

// Copies the tree, then replays the payload's top-level names. The copy's result and whether
// the payload could be listed at all are kept for the closing message.
CopyOutcome CopyPayload(const std::wstring& payloadFolder, int& progress) {
  CopyOutcome outcome;
  outcome.everythingCopied =
      CopyDirectoryTree(payloadFolder, InstallPath(), L"", CopyRecursive | CopyForce) != 0;
  StepBar(progress, RandomStep() + 1);
  outcome.payloadFound = ReplayPayloadEntries(payloadFolder, progress);
  return outcome;
}

// Returns whether the payload folder could be listed.
bool ReplayPayloadEntries(const std::wstring& payloadFolder, int& progress) {
  const InstallerProfileTable& p = InstallerProfile();
  if (!BeginDirectoryScan(PayloadScan, payloadFolder, L"*.*")) return false;
  while (NextScanEntry(PayloadScan)) {
    const std::wstring name = ScanEntryName(PayloadScan);
    if (!IsShownEntryName(name)) continue;
    StepBar(progress, RandomStep() + 1);
    SetStatus(p.StatusCopyPrefix + name);
    PauseMilliseconds(p.PauseEachEntry);
  }
  EndDirectoryScan(PayloadScan);
  return true;
}

// "PathFile.txt" in the current directory is rewritten from scratch; a file that cannot be
// opened is skipped without a word, as every file-system failure of this step.
void RecordInstallPath(int& progress) {
  const InstallerProfileTable& p = InstallerProfile();
  RemoveFile(p.PathFileName);
  StepBar(progress, 1);
  PauseMilliseconds(p.PauseAfterDelete);
  if (!OpenOrCreateFile(PathFileNumber, p.PathFileName)) return;
  WriteTextLine(PathFileNumber, InstallPath());
  CloseNumberedFile(PathFileNumber);
}

void WriteShortcut() {
  const InstallerProfileTable& p = InstallerProfile();
  SetStatus(p.StatusIcons);
  const std::wstring target = InstallPath() + L"\\" + p.ProductName + p.ExecutableSuffix;
  const std::wstring shortcutFile =
      UserProfileFolder() + p.DesktopFolderName + p.ProductName + p.ShortcutSuffix;
  const std::wstring workingDirectory = FolderPartOfPath(target);
  CreateDesktopShortcut(target, shortcutFile, p.ProductDescription, workingDirectory);
}

void FinishSaving(int& progress) {
  const InstallerProfileTable& p = InstallerProfile();
  SetStatus(p.StatusSaving);
  StepBar(progress, 1);
  PauseMilliseconds(p.PauseAfterSaving);
}

// "Installation terminée!" only when the whole payload reached the destination; otherwise
// the user is told what went wrong and where.
void ReportOutcome(const CopyOutcome& outcome) {
  const InstallerProfileTable& p = InstallerProfile();
  if (!outcome.payloadFound) {
    ShowMessage(p.InstallFailedTitle, PayloadMissingText(InstallPath()), p.InstallFailedFlags);
  } else if (!outcome.everythingCopied) {
    ShowMessage(p.InstallFailedTitle, CopyIncompleteText(InstallPath()), p.InstallFailedFlags);
  } else {
    ShowMessage(p.InstallDoneTitle, p.InstallDoneText, p.InstallDoneFlags);
  }
}

void ReturnToIdleControls() {
  DisableControl(InstallButton, false);
  DisableControl(BrowseButton, false);
}

}  // namespace
