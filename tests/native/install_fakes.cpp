#include "tests/native/install_fakes.h"

#include <random>

#include "core/pacing.h"
#include "fs/directory_scan.h"
#include "fs/numbered_file.h"
#include "fs/tree_copy.h"
#include "shell/dialogs.h"
#include "shell/shortcut.h"
#include "ui/controls.h"
#include "ui/event_loop.h"
#include "ui/status_style.h"

namespace {

FakeWorld world;
std::vector<std::string> calls;
std::size_t nextAnswer = 0;
std::mt19937 randomSource;

// One open scan: the names still to deliver and the current one.
struct FakeScan {
  std::vector<std::wstring> names;
  std::size_t next = 0;
  std::wstring current;
};
std::map<int, FakeScan> scans;

std::string Utf8(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    const unsigned long u = static_cast<unsigned long>(c);
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (u >> 18));
      out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

void Record(const std::string& line) { calls.push_back(line); }

std::string Flag(bool value) { return value ? "true" : "false"; }

}  // namespace

void ResetFakes(const FakeWorld& newWorld) {
  world = newWorld;
  calls.clear();
  nextAnswer = 0;
  randomSource.seed(world.randomSeed);
  scans.clear();
}

const std::vector<std::string>& RecordedCalls() { return calls; }

std::string Quoted(const std::wstring& text) { return "\"" + Utf8(text) + "\""; }

// ui/controls.h
void SetControlText(int control, const std::wstring& text) {
  Record("SetControlText(" + std::to_string(control) + ", " + Quoted(text) + ")");
}

std::wstring GetControlText(int control) {
  const std::wstring text = control == FolderField ? world.fieldText : L"";
  Record("GetControlText(" + std::to_string(control) + ") -> " + Quoted(text));
  return text;
}

void SetControlState(int control, int value) {
  Record("SetControlState(" + std::to_string(control) + ", " + std::to_string(value) + ")");
}

void DisableControl(int control, bool disabled) {
  Record("DisableControl(" + std::to_string(control) + ", " + Flag(disabled) + ")");
}

// ui/status_style.h, ui/event_loop.h
void ApplyStatusStyle(const StatusStyle& style) {
  Record("ApplyStatusStyle(" + std::to_string(style.fontNumber) + ", " +
         Quoted(style.face) + ", " + std::to_string(style.points) + ", " +
         std::to_string(style.color) + ")");
}

void SetQuitFlag() { Record("SetQuitFlag()"); }

// fs/directory_scan.h
int BeginDirectoryScan(int number, const std::wstring& folder, const std::wstring& pattern) {
  scans.erase(number);
  const auto found = world.folders.find(folder);
  const int result = found != world.folders.end() ? 1 : 0;
  if (result) scans[number].names = found->second;
  Record("BeginDirectoryScan(" + std::to_string(number) + ", " + Quoted(folder) + ", " +
         Quoted(pattern) + ") -> " + std::to_string(result));
  return result;
}

int NextScanEntry(int number) {
  int result = 0;
  const auto scan = scans.find(number);
  if (scan != scans.end() && scan->second.next < scan->second.names.size()) {
    scan->second.current = scan->second.names[scan->second.next++];
    result = 1;
  }
  Record("NextScanEntry(" + std::to_string(number) + ") -> " + std::to_string(result));
  return result;
}

std::wstring ScanEntryName(int number) {
  const auto scan = scans.find(number);
  const std::wstring name = scan != scans.end() ? scan->second.current : L"";
  Record("ScanEntryName(" + std::to_string(number) + ") -> " + Quoted(name));
  return name;
}

void EndDirectoryScan(int number) {
  scans.erase(number);
  Record("EndDirectoryScan(" + std::to_string(number) + ")");
}

void EndAllDirectoryScans() { Record("EndAllDirectoryScans()"); }

std::wstring CurrentDirectoryPath() {
  Record("CurrentDirectoryPath() -> " + Quoted(world.currentDirectory));
  return world.currentDirectory;
}

std::wstring FolderPartOfPath(const std::wstring& path) {
  const std::size_t last = path.find_last_of(L"\\/");
  const std::wstring folder = last == std::wstring::npos ? L"" : path.substr(0, last + 1);
  Record("FolderPartOfPath(" + Quoted(path) + ") -> " + Quoted(folder));
  return folder;
}

std::wstring UserProfileFolder() {
  Record("UserProfileFolder() -> " + Quoted(world.profileFolder));
  return world.profileFolder;
}

// fs/tree_copy.h
int CopyDirectoryTree(const std::wstring& source, const std::wstring& destination,
                      const std::wstring& pattern, int flags) {
  Record("CopyDirectoryTree(" + Quoted(source) + ", " + Quoted(destination) + ", " +
         Quoted(pattern) + ", " + std::to_string(flags) + ") -> " +
         std::to_string(world.copyResult));
  return world.copyResult;
}

// fs/numbered_file.h
int RemoveFile(const std::wstring& name) {
  Record("RemoveFile(" + Quoted(name) + ") -> 0");
  return 0;
}

int OpenOrCreateFile(int number, const std::wstring& name) {
  Record("OpenOrCreateFile(" + std::to_string(number) + ", " + Quoted(name) + ") -> " +
         std::to_string(world.openFileResult));
  return world.openFileResult;
}

int WriteTextLine(int number, const std::wstring& text) {
  Record("WriteTextLine(" + std::to_string(number) + ", " + Quoted(text) + ")");
  return 2;
}

void CloseNumberedFile(int number) {
  Record("CloseNumberedFile(" + std::to_string(number) + ")");
}

void CloseAllNumberedFiles() { Record("CloseAllNumberedFiles()"); }

// shell/dialogs.h, shell/shortcut.h
int ShowMessage(const std::wstring& title, const std::wstring& text, unsigned flags) {
  const int answer = nextAnswer < world.answers.size() ? world.answers[nextAnswer++] : 1;
  Record("ShowMessage(" + Quoted(title) + ", " + Quoted(text) + ", " + std::to_string(flags) +
         ") -> " + std::to_string(answer));
  return answer;
}

void CreateDesktopShortcut(const std::wstring& targetPath, const std::wstring& shortcutFile,
                           const std::wstring& description,
                           const std::wstring& workingDirectory) {
  Record("CreateDesktopShortcut(" + Quoted(targetPath) + ", " + Quoted(shortcutFile) + ", " +
         Quoted(description) + ", " + Quoted(workingDirectory) + ")");
}

// core/pacing.h: a seeded source, so a test can draw the same numbers again.
void PauseMilliseconds(int milliseconds) {
  Record("PauseMilliseconds(" + std::to_string(milliseconds) + ")");
}

int RandomWholeNumber(int maximum) {
  const int value = std::uniform_int_distribution<int>(0, maximum)(randomSource);
  Record("RandomWholeNumber(" + std::to_string(maximum) + ") -> " + std::to_string(value));
  return value;
}
