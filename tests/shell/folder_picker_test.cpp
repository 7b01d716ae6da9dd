// The folder picker: its request and results against the stand-in shell library, its
// callback, and the platform's own picker answered from inside its modal loop.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/dialogs.h"
#include "shell/folder_picker.h"
#include "shell/modal_guard.h"
#include "tests/shell/dialog_driver.h"
#include "tests/shell/fake_shell_client.h"

namespace {

const std::wstring PickerTitle = L"Sélectionnez un dossier de destination...";

// ---- Against the stand-in library -----------------------------------------------------

struct MissingPieceCase {
  const char* name;
  const wchar_t* library;
};

// Without both entry points nothing can be chosen: no dialog may open, and the library taken
// for the attempt is given back.
TEST(FolderPickerLibraryTest, WithoutBothEntryPointsShowsNothing) {
  const MissingPieceCase cases[] = {
      {"no such library", L"tovalu_no_such_shell.dll"},
      {"no SHGetPathFromIDListW", L"tovalu_fake_shell_browse_only.dll"},
      {"no SHBrowseForFolderW", L"tovalu_fake_shell_path_only.dll"},
  };
  TestWindow bystander({true, true, true, false});
  for (const MissingPieceCase& row : cases) {
    SCOPED_TRACE(row.name);
    SetEnvironmentVariableW(L"TOVALU_FAKE_PICKER_OPENED", nullptr);
    EXPECT_EQ(BrowseForFolderFrom(row.library, PickerTitle, L"C:\\"), L"");
    EXPECT_EQ(GetEnvironmentVariableW(L"TOVALU_FAKE_PICKER_OPENED", nullptr, 0), 0u)
        << "the picker was opened";
    EXPECT_EQ(GetModuleHandleW(row.library), nullptr) << "the library was kept";
    EXPECT_TRUE(IsWindowEnabled(bystander.handle()));
    EXPECT_TRUE(IsTopmost(bystander.handle()));
    EXPECT_TRUE(SuspendedWindowsOfThisThread().empty());
  }
}

class FolderPickerRequestTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(shell_.loaded()); }
  void TearDown() override {
    EXPECT_TRUE(shell_.Release()) << "a picker call kept the shell library";
  }
  FakeShellLibrary shell_;
};

struct InitialFolderCase {
  const char* name;
  std::wstring given;
  std::wstring selected;  // the text the picker is asked to select
};

TEST_F(FolderPickerRequestTest, AsksForTheFolderTreeWithTheInitialFolderPrepared) {
  const std::wstring long259 = L"D:\\" + std::wstring(256, L'a');
  const InitialFolderCase cases[] = {
      {"empty, as the installer gives it", L"", L""},
      {"drive root keeps its separator", L"C:\\", L"C:\\"},
      {"folder loses its separator", L"D:\\Data\\", L"D:\\Data"},
      {"folder without separator", L"D:\\Data", L"D:\\Data"},
      {"only one separator is removed", L"D:\\Data\\\\", L"D:\\Data\\"},
      {"four characters ending in a separator", L"ab:\\", L"ab:"},
      {"three characters are never trimmed", L"ab\\", L"ab\\"},
      {"forward slash is not a separator here", L"D:/Data/", L"D:/Data/"},
      {"longer than 259 is cut to 259", long259 + L"bcdef", long259},
      {"cut just after a separator, which then goes",
       L"D:\\" + std::wstring(255, L'a') + L"\\bcdef", L"D:\\" + std::wstring(255, L'a')},
  };
  for (const InitialFolderCase& row : cases) {
    SCOPED_TRACE(row.name);
    bool opened = false;
    shell_.SetPicker([&](BROWSEINFOW& request) -> PIDLIST_ABSOLUTE {
      opened = true;
      EXPECT_EQ(request.pidlRoot, nullptr);
      EXPECT_EQ(request.pszDisplayName, nullptr);
      EXPECT_EQ(std::wstring(request.lpszTitle ? request.lpszTitle : L"(null)"), PickerTitle);
      EXPECT_EQ(request.ulFlags, 0x50u) << "edit box and new dialog style, nothing else";
      EXPECT_EQ(request.lpfn, &BrowseCallback);
      EXPECT_EQ(request.iImage, 0);
      const wchar_t* initial = reinterpret_cast<const wchar_t*>(request.lParam);
      EXPECT_EQ(std::wstring(initial ? initial : L"(null)"), row.selected);
      return nullptr;
    });
    EXPECT_EQ(BrowseForFolderFrom(FakeShell, PickerTitle, row.given), L"");
    EXPECT_TRUE(opened);
  }
}

struct ChoiceCase {
  const char* name;
  bool chosen;  // false: the user cancelled
  std::wstring itemPath;
  std::wstring result;
};

TEST_F(FolderPickerRequestTest, GivesTheChosenFolderWithOneTrailingSeparator) {
  const std::wstring path259 = L"C:\\" + std::wstring(256, L'p');
  const ChoiceCase cases[] = {
      {"folder", true, L"D:\\Data", L"D:\\Data\\"},
      {"folder with a blank", true, L"C:\\Program Files", L"C:\\Program Files\\"},
      {"drive root", true, L"D:\\", L"D:\\"},
      {"259 characters come back as 260", true, path259, path259 + L"\\"},
      {"item without a file-system path", true, L"", L""},
      {"cancel", false, L"", L""},
  };
  for (const ChoiceCase& row : cases) {
    SCOPED_TRACE(row.name);
    shell_.SetPicker([&](BROWSEINFOW&) -> PIDLIST_ABSOLUTE {
      return row.chosen ? MakeFakeItem(row.itemPath) : nullptr;
    });
    EXPECT_EQ(BrowseForFolderFrom(FakeShell, PickerTitle, L""), row.result);
    EXPECT_TRUE(SuspendedWindowsOfThisThread().empty());
  }
}

// ---- The callback ------------------------------------------------------------------------

struct SelectionMessage {
  WPARAM wParam;
  LPARAM lParam;
  DWORD at;
};
std::vector<SelectionMessage> selectionMessages;

LRESULT CALLBACK RecordSelection(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == BFFM_SETSELECTIONW) {
    selectionMessages.push_back({wParam, lParam, GetTickCount()});
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateSelectionRecorder() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = RecordSelection;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TovaluSelectionRecorder";
  RegisterClassW(&windowClass);
  return CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                         nullptr, windowClass.hInstance, nullptr);
}

TEST(BrowseCallbackTest, SelectsTheInitialFolderTwice200MsApart) {
  HWND recorder = CreateSelectionRecorder();
  ASSERT_NE(recorder, nullptr);
  struct Case {
    const char* name;
    const wchar_t* folder;
  };
  // The installer's empty initial folder is still sent: the data is the buffer, never null.
  for (const Case& row : {Case{"folder", L"D:\\Data"}, Case{"empty text", L""}}) {
    SCOPED_TRACE(row.name);
    selectionMessages.clear();
    const LPARAM data = reinterpret_cast<LPARAM>(row.folder);
    const DWORD start = GetTickCount();
    EXPECT_EQ(BrowseCallback(recorder, BFFM_INITIALIZED, 0, data), 0);
    const DWORD returned = GetTickCount();
    ASSERT_EQ(selectionMessages.size(), 1u) << "the first selection is sent, not posted";
    EXPECT_GE(returned - start, 190u);
    ASSERT_TRUE(PumpUntil([] { return selectionMessages.size() >= 2; }));
    for (const SelectionMessage& sent : selectionMessages) {
      EXPECT_EQ(sent.wParam, static_cast<WPARAM>(TRUE)) << "the data is a path, not an item";
      EXPECT_EQ(sent.lParam, data);
    }
    EXPECT_GE(selectionMessages[1].at - selectionMessages[0].at, 190u);
    EXPECT_FALSE(PumpUntil([] { return selectionMessages.size() > 2; }, 300));
  }
  DestroyWindow(recorder);
}

TEST(BrowseCallbackTest, IgnoresEverythingElse) {
  HWND recorder = CreateSelectionRecorder();
  selectionMessages.clear();
  EXPECT_EQ(BrowseCallback(recorder, BFFM_INITIALIZED, 0, 0), 0) << "no data, no selection";
  EXPECT_EQ(BrowseCallback(recorder, BFFM_SELCHANGED, 0, reinterpret_cast<LPARAM>(L"x")), 0);
  EXPECT_EQ(BrowseCallback(recorder, BFFM_VALIDATEFAILEDW, 0, reinterpret_cast<LPARAM>(L"x")),
            0);
  EXPECT_FALSE(PumpUntil([] { return !selectionMessages.empty(); }, 300));
  DestroyWindow(recorder);
}

// ---- The platform's picker ---------------------------------------------------------------

std::wstring DisplayNameOf(const std::wstring& path) {
  SHFILEINFOW info{};
  SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME);
  return info.szDisplayName;
}

std::wstring DisplayNameOf(PCIDLIST_ABSOLUTE item) {
  SHFILEINFOW info{};
  SHGetFileInfoW(reinterpret_cast<LPCWSTR>(item), 0, &info, sizeof info,
                 SHGFI_PIDL | SHGFI_DISPLAYNAME);
  return info.szDisplayName;
}

std::wstring SelectedTreeText(HWND dialog) {
  HWND tree = FindWindowExW(dialog, nullptr, WC_TREEVIEWW, nullptr);
  if (!tree) return L"";
  HTREEITEM selected = TreeView_GetSelection(tree);
  if (!selected) return L"";
  wchar_t text[MAX_PATH] = L"";
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = selected;
  item.pszText = text;
  item.cchTextMax = MAX_PATH;
  TreeView_GetItem(tree, &item);
  return text;
}

enum class Answer { Ok, CancelButton, Escape, CloseBox };

void Give(Answer answer, HWND dialog) {
  switch (answer) {
    case Answer::Ok: ClickButton(dialog, IDOK); break;
    case Answer::CancelButton: ClickButton(dialog, IDCANCEL); break;
    case Answer::Escape: PressEscape(dialog); break;
    case Answer::CloseBox: PressCloseBox(dialog); break;
  }
}

class PlatformPickerTest : public ::testing::Test {
 protected:
  void SetUp() override { InitShellServices(); }
};

struct PlatformCase {
  const char* name;
  std::wstring initial;
  std::wstring selectedFolder;  // what the tree shows selected once the picker is up
  Answer answer;
  std::wstring result;
};

TEST_F(PlatformPickerTest, ReturnsTheTreesSelectionOrEmptyText) {
  const PlatformCase cases[] = {
      {"folder with separator, confirmed", L"C:\\windows\\", L"C:\\windows", Answer::Ok,
       L"C:\\windows\\"},
      {"folder without separator, confirmed", L"C:\\windows", L"C:\\windows", Answer::Ok,
       L"C:\\windows\\"},
      {"drive root, confirmed", L"C:\\", L"C:\\", Answer::Ok, L"C:\\"},
      {"cancel button", L"C:\\windows\\", L"C:\\windows", Answer::CancelButton, L""},
      {"escape", L"C:\\windows\\", L"C:\\windows", Answer::Escape, L""},
      {"close box", L"C:\\windows\\", L"C:\\windows", Answer::CloseBox, L""},
  };
  for (const PlatformCase& row : cases) {
    SCOPED_TRACE(row.name);
    const std::wstring expectedSelection = DisplayNameOf(row.selectedFolder);
    ASSERT_FALSE(expectedSelection.empty());
    bool sawTitle = false;
    DriveResult drive = DriveDialog(
        [&] {
          std::wstring chosen = BrowseForFolder(PickerTitle, row.initial);
          return chosen == row.result ? 1 : 0;
        },
        [&](HWND dialog) {
          // The title is the instruction line above the tree.
          sawTitle = sawTitle || FindChildWithText(dialog, L"Static", PickerTitle);
          if (SelectedTreeText(dialog) != expectedSelection) return false;
          Give(row.answer, dialog);
          return true;
        });
    EXPECT_TRUE(drive.answered) << "selected: " << testing::PrintToString(SelectedTreeText(
                                                      FindThreadDialog()));
    EXPECT_EQ(drive.result, 1) << "the picker did not give the expected text";
    EXPECT_TRUE(sawTitle) << "no instruction line with the title";
    EXPECT_TRUE(SuspendedWindowsOfThisThread().empty());
  }
}

TEST_F(PlatformPickerTest, AnItemWithoutAPathGivesEmptyText) {
  PIDLIST_ABSOLUTE computer = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer), S_OK);
  const std::wstring computerName = DisplayNameOf(computer);
  std::wstring chosen = L"not set";
  DriveResult drive = DriveDialog(
      [&] {
        chosen = BrowseForFolder(PickerTitle, L"C:\\windows\\");
        return 0;
      },
      [&](HWND dialog) {
        if (SelectedTreeText(dialog) != computerName) {
          SendMessageW(dialog, BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(computer));
          return false;
        }
        ClickButton(dialog, IDOK);
        return true;
      });
  CoTaskMemFree(computer);
  EXPECT_TRUE(drive.answered);
  EXPECT_EQ(chosen, L"");
}

// The installer window is the foreground window when "Choisir un autre dossier..." is
// pressed: it owns the picker and takes no input until the picker closes; a second window of
// the thread is disabled by the guard meanwhile.
TEST_F(PlatformPickerTest, OwnerAndOtherWindowsTakeNoInputWhileOpen) {
  TestWindow installer({true, true, false, true});
  TestWindow other({true, true, true, false});
  ASSERT_EQ(GetForegroundWindow(), installer.handle());
  bool checked = false;
  DriveDialog([&] { return BrowseForFolder(PickerTitle, L"").empty() ? 0 : 1; },
              [&](HWND dialog) {
                EXPECT_EQ(GetWindow(dialog, GW_OWNER), installer.handle());
                EXPECT_FALSE(IsWindowEnabled(installer.handle()));
                EXPECT_FALSE(IsWindowEnabled(other.handle()));
                EXPECT_FALSE(IsTopmost(other.handle()));
                checked = true;
                ClickButton(dialog, IDCANCEL);
                return true;
              });
  EXPECT_TRUE(checked);
  EXPECT_TRUE(IsWindowEnabled(installer.handle()));
  EXPECT_TRUE(IsWindowEnabled(other.handle()));
  EXPECT_TRUE(IsTopmost(other.handle()));
}

}  // namespace
