// The shortcut writer, written into a scratch folder and read back through the shell-link
// object, field by field.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "shell/shortcut.h"

namespace {

// What a saved shortcut holds, as the shell-link object reads it back.
struct ShortcutFields {
  HRESULT loaded = E_FAIL;
  std::wstring target;
  std::wstring arguments;
  std::wstring description;
  std::wstring workingDirectory;
  std::wstring iconFile;
  int iconIndex = -12345;
};

// Buffers are poisoned first, so a getter that writes nothing cannot pass as an empty field.
void Poison(wchar_t* buffer, int size) {
  for (int i = 0; i < size - 1; ++i) buffer[i] = L'#';
  buffer[size - 1] = 0;
}

ShortcutFields ReadShortcut(const std::wstring& file) {
  ShortcutFields fields;
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link)))) {
    return fields;
  }
  IPersistFile* persist = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
    fields.loaded = persist->Load(file.c_str(), STGM_READ);
    persist->Release();
  }
  if (fields.loaded == S_OK) {
    wchar_t buffer[1024];
    Poison(buffer, 1024);
    link->GetPath(buffer, 1024, nullptr, SLGP_RAWPATH);
    fields.target = buffer;
    Poison(buffer, 1024);
    link->GetArguments(buffer, 1024);
    fields.arguments = buffer;
    Poison(buffer, 1024);
    link->GetDescription(buffer, 1024);
    fields.description = buffer;
    Poison(buffer, 1024);
    link->GetWorkingDirectory(buffer, 1024);
    fields.workingDirectory = buffer;
    Poison(buffer, 1024);
    link->GetIconLocation(buffer, 1024, &fields.iconIndex);
    fields.iconFile = buffer;
  }
  link->Release();
  return fields;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteEmptyFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  CloseHandle(file);
}

// Deletes a scratch tree; false when anything was left behind.
bool RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  return RemoveDirectoryW(folder.c_str()) != 0;
}

// A fresh scratch folder (with an accented name) per test, on a thread that is a
// single-threaded apartment as the installer's window thread is after start-up.
class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    wchar_t temp[MAX_PATH + 1];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH + 1, temp));
    scratch_ = std::wstring(temp) + L"raccourci-é-" + std::to_wstring(GetCurrentProcessId());
    RemoveTree(scratch_);
    ASSERT_TRUE(CreateDirectoryW(scratch_.c_str(), nullptr));
  }
  void TearDown() override {
    EXPECT_TRUE(RemoveTree(scratch_));
    CoUninitialize();
  }
  std::wstring scratch_;
};

TEST_F(ShortcutTest, SavedShortcutReadsBackWithEveryValue) {
  const std::wstring program = scratch_ + L"\\Tovalu";
  ASSERT_TRUE(CreateDirectoryW(program.c_str(), nullptr));
  WriteEmptyFile(program + L"\\Tovalu.exe");
  struct Row {
    const char* name;
    std::wstring target;
    std::wstring arguments;
    std::wstring description;
    std::wstring workingDirectory;
    int iconIndex;
  };
  const Row rows[] = {
      {"the installer's shortcut", program + L"\\Tovalu.exe", L"",
       L"Logiciel de gestion de production", program + L"\\", 0},
      // After a failed copy the program is not there; the shortcut is still written.
      {"a target that does not exist", program + L"\\Absent.exe", L"", L"Données", program + L"\\",
       0},
      {"arguments and another icon", program + L"\\Tovalu.exe", L"/demo \"R&D\"",
       L"Paramètres été", program + L"\\", 3},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::wstring file = scratch_ + L"\\Tovalu-" + std::to_wstring(++n) + L".lnk";
    EXPECT_EQ(0, CreateShortcut(row.target, file, row.arguments, row.description,
                                row.workingDirectory, row.target, row.iconIndex));
    const ShortcutFields fields = ReadShortcut(file);
    ASSERT_EQ(S_OK, fields.loaded);
    EXPECT_EQ(row.target, fields.target);
    EXPECT_EQ(row.arguments, fields.arguments);
    EXPECT_EQ(row.description, fields.description);
    EXPECT_EQ(row.workingDirectory, fields.workingDirectory);  // trailing "\" kept
    EXPECT_EQ(row.target, fields.iconFile);
    EXPECT_EQ(row.iconIndex, fields.iconIndex);
  }
}

TEST_F(ShortcutTest, ExistingShortcutIsReplaced) {
  const std::wstring file = scratch_ + L"\\Tovalu.lnk";
  ASSERT_EQ(0, CreateShortcut(L"C:\\Ancien\\Tovalu.exe", file, L"", L"ancien", L"C:\\Ancien\\",
                              L"C:\\Ancien\\Tovalu.exe", 0));
  EXPECT_EQ(0, CreateShortcut(L"C:\\Tovalu\\Tovalu.exe", file, L"", L"nouveau", L"C:\\Tovalu\\",
                              L"C:\\Tovalu\\Tovalu.exe", 0));
  const ShortcutFields fields = ReadShortcut(file);
  ASSERT_EQ(S_OK, fields.loaded);
  EXPECT_EQ(L"C:\\Tovalu\\Tovalu.exe", fields.target);
  EXPECT_EQ(L"nouveau", fields.description);
}

TEST_F(ShortcutTest, MissingFolderGivesFailureAndNoFile) {
  // The profile without a "desktop" folder: the folder is not created for the shortcut.
  const std::wstring desktop = scratch_ + L"\\desktop";
  const std::wstring file = desktop + L"\\Tovalu.lnk";
  const std::int32_t status = CreateShortcut(L"C:\\Tovalu\\Tovalu.exe", file, L"",
                                             L"Logiciel de gestion de production",
                                             L"C:\\Tovalu\\", L"C:\\Tovalu\\Tovalu.exe", 0);
  EXPECT_NE(0, status);
  EXPECT_FALSE(FileExists(file));
  EXPECT_FALSE(FileExists(desktop));
}

// A destination so long that the target no longer fits a path: the link would keep no target,
// so nothing is saved and the caller hears of it (the installer then shows its error box).
TEST_F(ShortcutTest, TargetTheLinkCannotHoldGivesFailureAndNoFile) {
  const std::wstring folder = L"C:\\" + std::wstring(270, L'a');
  const std::wstring file = scratch_ + L"\\Tovalu.lnk";
  const std::int32_t status = CreateShortcut(folder + L"\\Tovalu.exe", file, L"", L"",
                                             folder + L"\\", folder + L"\\Tovalu.exe", 0);
  EXPECT_NE(0, status);
  EXPECT_FALSE(FileExists(file));
}

// Each call balances its own CoInitialize: the caller's apartment survives it, and a thread
// that had none is left with none, on the success path and the failure path alike.
DWORD WINAPI CreateShortcutOnBareThread(void* parameter) {
  const std::wstring& file = *static_cast<const std::wstring*>(parameter);
  CreateShortcut(L"C:\\Tovalu\\Tovalu.exe", file, L"", L"", L"C:\\Tovalu\\",
                 L"C:\\Tovalu\\Tovalu.exe", 0);
  // S_OK means that this thread had no apartment left.
  const HRESULT again = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (SUCCEEDED(again)) CoUninitialize();
  return static_cast<DWORD>(again);
}

TEST_F(ShortcutTest, EachCallLeavesComAsItFoundIt) {
  const std::wstring written = scratch_ + L"\\Tovalu.lnk";
  const std::wstring unwritable = scratch_ + L"\\absent\\Tovalu.lnk";
  struct Row {
    const char* name;
    std::wstring file;
  };
  for (const Row& row : {Row{"written", written}, Row{"save failed", unwritable}}) {
    SCOPED_TRACE(row.name);
    CreateShortcut(L"C:\\Tovalu\\Tovalu.exe", row.file, L"", L"", L"C:\\Tovalu\\",
                   L"C:\\Tovalu\\Tovalu.exe", 0);
    const HRESULT again = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(S_FALSE, again);  // still in the apartment of SetUp
    if (SUCCEEDED(again)) CoUninitialize();

    std::wstring file = row.file;
    HANDLE thread = CreateThread(nullptr, 0, CreateShortcutOnBareThread, &file, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 60000));
    DWORD result = 0;
    GetExitCodeThread(thread, &result);
    CloseHandle(thread);
    EXPECT_EQ(static_cast<DWORD>(S_OK), result);
  }
  EXPECT_TRUE(FileExists(written));
}

}  // namespace
