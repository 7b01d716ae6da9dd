// The install sequence against recording fakes: every call it makes, in order, with its
// control numbers, texts, progress values, styles, pauses and message boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/install_path.h"
#include "core/install_sequence.h"
#include "tests/native/install_fakes.h"

namespace {

const std::string DoneBox = "ShowMessage(\"\", \"Installation terminée!\", 0) -> 1";

// The expected run, written out step by step. Random steps are drawn from the same seeded
// source as the fakes', so the progress values are exact.
class Script {
 public:
  explicit Script(unsigned seed) : random_(seed) {}

  void Add(const std::string& line) { lines_.push_back(line); }
  void Status(const std::wstring& text) { Add("SetControlText(12, " + Quoted(text) + ")"); }
  void Bar(int value) { Add("SetControlState(11, " + std::to_string(value) + ")"); }
  void Pause(int milliseconds) { Add("PauseMilliseconds(" + std::to_string(milliseconds) + ")"); }
  int Draw() {
    const int value = std::uniform_int_distribution<int>(0, 5)(random_);
    Add("RandomWholeNumber(5) -> " + std::to_string(value));
    return value;
  }
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  std::mt19937 random_;
  std::vector<std::string> lines_;
};

bool IsShown(const std::wstring& name) { return !name.empty() && name != L"." && name != L".."; }

// A complete installation into installPath, the existing-folder question (if the destination
// is one of world's folders) answered Yes, closed by closingBox.
std::vector<std::string> ExpectedInstallation(const FakeWorld& world,
                                              const std::wstring& installPath,
                                              const std::string& closingBox) {
  Script s(world.randomSeed);
  const std::wstring payload = world.currentDirectory + L"DataFile";
  // Phase A: the destination and the question.
  s.Add("GetControlText(6) -> " + Quoted(world.fieldText));
  const bool exists = world.folders.count(installPath) != 0;
  s.Add("BeginDirectoryScan(14, " + Quoted(installPath) + ", \"*.*\") -> " + (exists ? "1" : "0"));
  if (exists) {
    s.Add("ShowMessage(\"Dossier existant\", " +
          Quoted(L"ATTENTION, le dossier (" + installPath +
                 L") existe, s'il contient des fichiers ils seront écrasés. Voulez-vous "
                 L"continuer?") +
          ", 3) -> 6");
    s.Add("EndDirectoryScan(14)");
  }
  // Phase B: busy look and the first steps of the bar.
  s.Add("DisableControl(8, true)");
  s.Add("DisableControl(9, true)");
  s.Status(L"Vérification de l'espace disque disponible ...");
  s.Add("ApplyStatusStyle(1, \"trebuchet ms\", 9, 10510742)");  // 150 + 97*256 + 160*65536
  int progress = 1;
  s.Bar(progress);
  progress += s.Draw();
  s.Bar(progress);
  s.Status(L"Installation en cours...");
  // The copy, then the replay of the payload's top-level names.
  s.Add("CurrentDirectoryPath() -> " + Quoted(world.currentDirectory));
  s.Add("CopyDirectoryTree(" + Quoted(payload) + ", " + Quoted(installPath) + ", \"\", 3) -> " +
        std::to_string(world.copyResult));
  progress += s.Draw() + 1;
  s.Bar(progress);
  EXPECT_GE(progress, 2);
  EXPECT_LE(progress, 12);
  const auto listed = world.folders.find(payload);
  s.Add("BeginDirectoryScan(0, " + Quoted(payload) + ", \"*.*\") -> " +
        (listed != world.folders.end() ? "1" : "0"));
  if (listed != world.folders.end()) {
    for (const std::wstring& name : listed->second) {
      s.Add("NextScanEntry(0) -> 1");
      s.Add("ScanEntryName(0) -> " + Quoted(name));
      if (!IsShown(name)) continue;
      progress += s.Draw() + 1;
      s.Bar(progress);
      s.Status(L"Copie du fichier " + name);
      s.Pause(300);
    }
    s.Add("NextScanEntry(0) -> 0");
    s.Add("EndDirectoryScan(0)");
  }
  // Configuration, the path file, the shortcut, the saving step.
  s.Status(L"Mise à jour des fichiers de configuration..");
  s.Bar(++progress);
  s.Pause(150);
  s.Add("RemoveFile(\"PathFile.txt\") -> 0");
  s.Bar(++progress);
  s.Pause(200);
  s.Add("OpenOrCreateFile(0, \"PathFile.txt\") -> " + std::to_string(world.openFileResult));
  if (world.openFileResult) {
    s.Add("WriteTextLine(0, " + Quoted(installPath) + ")");
    s.Add("CloseNumberedFile(0)");
  }
  s.Status(L"Création des icônes..");
  const std::wstring target = installPath + L"\\Tovalu.exe";
  s.Add("UserProfileFolder() -> " + Quoted(world.profileFolder));
  s.Add("FolderPartOfPath(" + Quoted(target) + ") -> " + Quoted(installPath + L"\\"));
  s.Add("CreateDesktopShortcut(" + Quoted(target) + ", " +
        Quoted(world.profileFolder + L"desktop\\Tovalu.lnk") +
        ", \"Logiciel de gestion de production\", " + Quoted(installPath + L"\\") + ")");
  s.Bar(++progress);
  s.Pause(200);
  s.Status(L"Enregistrement des paramètres ..");
  s.Bar(++progress);
  s.Pause(250);
  // The end: the bar given 200, the closing box, the cleared field, the buttons, the quit flag.
  s.Status(L"");
  s.Bar(200);
  s.Add(closingBox);
  s.Add("SetControlText(6, \"\")");
  s.Add("DisableControl(9, false)");
  s.Add("DisableControl(8, false)");
  s.Add("SetQuitFlag()");
  return s.Lines();
}

// Reports the first line where the run left the script, with the lines around it.
void ExpectSameCalls(const std::vector<std::string>& expected,
                     const std::vector<std::string>& actual) {
  const std::size_t common = std::min(expected.size(), actual.size());
  std::size_t i = 0;
  while (i < common && expected[i] == actual[i]) ++i;
  if (i == common && expected.size() == actual.size()) return;
  std::string context;
  for (std::size_t k = i >= 3 ? i - 3 : 0; k < i; ++k) context += "    " + actual[k] + "\n";
  ADD_FAILURE() << "call " << i << " differs (expected " << expected.size() << " calls, got "
                << actual.size() << ")\n  after:\n"
                << context << "  expected: " << (i < expected.size() ? expected[i] : "(no call)")
                << "\n  actual:   " << (i < actual.size() ? actual[i] : "(no call)");
}

FakeWorld WorldWithPayload(const std::vector<std::wstring>& entries) {
  FakeWorld world;
  world.fieldText = L"c:\\Tovalu";
  world.folders[world.currentDirectory + L"DataFile"] = entries;
  return world;
}

TEST(InstallSequence, RunsTheWholeScript) {
  struct Row {
    const char* name;
    std::wstring fieldText;
    std::wstring installPath;
    std::vector<std::wstring> entries;
    int openFileResult;
    std::wstring profileFolder;
  };
  const std::wstring profile = L"C:\\users\\ana\\";
  const std::vector<Row> rows = {
      {"default destination, payload with no entries", L"c:\\Tovalu", L"c:\\Tovalu", {}, 1,
       profile},
      {"several entries; '.', '..' and empty names are not shown", L"c:\\Tovalu", L"c:\\Tovalu",
       {L".", L"..", L"config", L"R&D.txt", L"", L"Données été.csv", L"Tovalu.exe"}, 1,
       profile},
      // The field keeps what was typed; the path file and the shortcut get the normalised path.
      {"typed folder with a trailing separator", L"D:\\Apps\\", L"D:\\Apps\\Tovalu", {L"a.txt"},
       1, profile},
      {"empty field installs at the root of the current drive", L"", L"\\Tovalu", {L"a.txt"}, 1,
       profile},
      {"path file cannot be opened: nothing written, the rest goes on", L"c:\\Tovalu",
       L"c:\\Tovalu", {L"a.txt"}, 0, profile},
      {"no profile folder: the shortcut file is relative", L"c:\\Tovalu", L"c:\\Tovalu",
       {L"a.txt"}, 1, L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeWorld world = WorldWithPayload(row.entries);
    world.fieldText = row.fieldText;
    world.openFileResult = row.openFileResult;
    world.profileFolder = row.profileFolder;
    for (unsigned seed : {1u, 2023u, 99991u}) {
      SCOPED_TRACE("seed " + std::to_string(seed));
      world.randomSeed = seed;
      ResetFakes(world);
      RunInstallation();
      ExpectSameCalls(ExpectedInstallation(world, row.installPath, DoneBox), RecordedCalls());
      EXPECT_EQ(row.installPath, InstallPath());
    }
  }
}

TEST(InstallSequence, ExistingFolderIsInstalledIntoOnlyAfterYes) {
  FakeWorld world = WorldWithPayload({L"a.txt"});
  world.fieldText = L"D:\\Apps";
  const std::wstring installPath = L"D:\\Apps\\Tovalu";
  world.folders[installPath] = {};  // existing and empty: still asked
  const std::string question =
      "ShowMessage(\"Dossier existant\", \"ATTENTION, le dossier (D:\\Apps\\Tovalu) existe, "
      "s'il contient des fichiers ils seront écrasés. Voulez-vous continuer?\", 3)";

  struct Row {
    const char* name;
    int answer;
  };
  for (const Row& row : {Row{"No", 7}, Row{"Cancel", 2}, Row{"box not shown", 0}}) {
    SCOPED_TRACE(row.name);
    world.answers = {row.answer};
    ResetFakes(world);
    const std::vector<std::string> declined = {
        "GetControlText(6) -> \"D:\\Apps\"",
        "BeginDirectoryScan(14, \"D:\\Apps\\Tovalu\", \"*.*\") -> 1",
        question + " -> " + std::to_string(row.answer),
        "EndDirectoryScan(14)",
    };
    // Nothing but InstallPath changes: no buttons, no status, no file, no quit flag.
    RunInstallation();
    ExpectSameCalls(declined, RecordedCalls());
    EXPECT_EQ(installPath, InstallPath());
    // A later press asks again.
    ResetFakes(world);
    RunInstallation();
    ExpectSameCalls(declined, RecordedCalls());
  }

  SCOPED_TRACE("Yes");
  world.answers = {6};
  ResetFakes(world);
  RunInstallation();
  ExpectSameCalls(ExpectedInstallation(world, installPath, DoneBox), RecordedCalls());
}

// A finished message over a missing or half-copied payload would send the user away with a
// program that cannot run: the closing box says what happened and where.
TEST(InstallSequence, ClosingMessageTellsWhetherThePayloadArrived) {
  struct Row {
    const char* name;
    bool payloadPresent;
    int copyResult;
    std::string closingBox;
  };
  const std::vector<Row> rows = {
      {"everything copied", true, 1, DoneBox},
      {"payload folder missing", false, 0,
       "ShowMessage(\"Erreur\", \"Les fichiers à installer sont introuvables (dossier DataFile "
       "absent) : aucun fichier n'a été copié dans le dossier (c:\\Tovalu).\", 16) -> 1"},
      {"some files not copied", true, 0,
       "ShowMessage(\"Erreur\", \"L'installation dans le dossier (c:\\Tovalu) est incomplète : "
       "certains fichiers n'ont pas pu être copiés.\", 16) -> 1"},
      // The copy cannot vouch for a payload that cannot be listed.
      {"copy reports success but payload cannot be listed", false, 1,
       "ShowMessage(\"Erreur\", \"Les fichiers à installer sont introuvables (dossier DataFile "
       "absent) : aucun fichier n'a été copié dans le dossier (c:\\Tovalu).\", 16) -> 1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeWorld world;
    world.fieldText = L"c:\\Tovalu";
    if (row.payloadPresent) world.folders[world.currentDirectory + L"DataFile"] = {L"a", L"b"};
    world.copyResult = row.copyResult;
    ResetFakes(world);
    RunInstallation();
    // The path file and the shortcut are still written and the program still ends.
    ExpectSameCalls(ExpectedInstallation(world, L"c:\\Tovalu", row.closingBox), RecordedCalls());
  }
}

}  // namespace
