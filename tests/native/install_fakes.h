// Recording stand-ins for everything the install sequence reaches outside the core: the
// controls, the status style, the quit flag, the file-system services, the dialogs, the
// shortcut writer and the pacing. Each call is written to one log, in order, as a line such as
//   SetControlText(12, "Installation en cours...")
//   BeginDirectoryScan(14, "D:\Apps\Tovalu", "*.*") -> 1
// so that a test compares the whole run with the script it expects.
#pragma once

#include <map>
#include <string>
#include <vector>

// What the fakes answer during one run.
struct FakeWorld {
  std::wstring fieldText;
  // Folders that a scan can open, with the names their scan delivers in that order.
  std::map<std::wstring, std::vector<std::wstring>> folders;
  // Answers of the message boxes in the order they are shown; 1 (OK) once they run out.
  std::vector<int> answers;
  int copyResult = 1;
  int openFileResult = 1;
  std::wstring currentDirectory = L"Z:\\work\\";
  std::wstring profileFolder = L"C:\\users\\ana\\";
  unsigned randomSeed = 2023;
};

// Starts a fresh log and answers from world from now on.
void ResetFakes(const FakeWorld& world);
const std::vector<std::string>& RecordedCalls();

// The log's spelling of a text: UTF-8 between double quotes, nothing escaped.
std::string Quoted(const std::wstring& text);
