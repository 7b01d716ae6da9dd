#include "fs/directory_scan.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/fs/fs_test_support.h"

namespace {

// An open search keeps a handle on its folder, so the folder cannot be opened without
// sharing until the search is closed.
bool SearchIsOpenOn(const std::wstring& folder) {
  const HANDLE handle = CreateFileW(folder.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
  CloseHandle(handle);
  return false;
}

// Every name the scan delivers, in its order; stops at a safe count.
std::vector<std::wstring> ScanNames(int number) {
  std::vector<std::wstring> names;
  while (names.size() < 100 && NextScanEntry(number)) names.push_back(ScanEntryName(number));
  return names;
}

using Names = std::vector<std::wstring>;

class DirectoryScanTest : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    ASSERT_TRUE(MakeFolder(At(L"empty")));
    ASSERT_TRUE(MakeFolder(At(L"stale")));
    ASSERT_TRUE(WriteBytes(At(L"stale\\stale.txt"), "x"));
    ASSERT_TRUE(MakeFolder(At(L"full")));
    ASSERT_TRUE(WriteBytes(At(L"full\\a.txt"), "a"));
    ASSERT_TRUE(WriteBytes(At(L"full\\locked.txt"), "r"));
    ASSERT_TRUE(SetReadOnly(At(L"full\\locked.txt"), true));
    ASSERT_TRUE(MakeFolder(At(L"full\\sub")));
    ASSERT_TRUE(WriteBytes(At(L"file.bin"), "f"));
  }
  void TearDown() override {
    EndAllDirectoryScans();
    ScratchTest::TearDown();
  }
  // Leaves number on an entry of another folder, so that a scan that fails to replace it
  // shows a stale name.
  void PoisonScan(int number) {
    ASSERT_NE(BeginDirectoryScan(number, At(L"stale"), L"*.txt"), 0);
    ASSERT_NE(NextScanEntry(number), 0);
    ASSERT_EQ(ScanEntryName(number), L"stale.txt");
  }
};

TEST_F(DirectoryScanTest, EmptyFolderGivesDotEntriesThenEnd) {
  PoisonScan(14);
  ASSERT_NE(BeginDirectoryScan(14, At(L"empty"), L"*.*"), 0);
  EXPECT_NE(NextScanEntry(14), 0);
  EXPECT_EQ(ScanEntryName(14), L".");
  EXPECT_NE(NextScanEntry(14), 0);
  EXPECT_EQ(ScanEntryName(14), L"..");
  EXPECT_EQ(NextScanEntry(14), 0);
  EXPECT_EQ(ScanEntryName(14), L"");
  EXPECT_EQ(NextScanEntry(14), 0) << "an exhausted scan stays at its end";
  EndDirectoryScan(14);
  EXPECT_FALSE(SearchIsOpenOn(At(L"empty")));
}

TEST_F(DirectoryScanTest, ListsEveryEntryOfAFolder) {
  ASSERT_NE(BeginDirectoryScan(0, At(L"full"), L""), 0);
  const Names names = ScanNames(0);
  EXPECT_EQ(std::set<std::wstring>(names.begin(), names.end()),
            (std::set<std::wstring>{L".", L"..", L"a.txt", L"locked.txt", L"sub"}));
  EXPECT_EQ(names.size(), 5u) << "no entry delivered twice";
}

TEST_F(DirectoryScanTest, FolderTextFormsGiveTheSameListing) {
  ASSERT_NE(BeginDirectoryScan(0, At(L"full"), L"*.*"), 0);
  const Names plain = ScanNames(0);
  ASSERT_EQ(plain.size(), 5u);

  ASSERT_NE(BeginDirectoryScan(0, At(L"full\\"), L"*.*"), 0) << "no doubled backslash";
  EXPECT_EQ(ScanNames(0), plain);

  CurrentDirectoryGuard restore;
  ASSERT_TRUE(SetCurrentDirectoryW(At(L"full").c_str()));
  ASSERT_NE(BeginDirectoryScan(0, L"", L""), 0) << "empty folder text is the current directory";
  EXPECT_EQ(ScanNames(0), plain);
  EndDirectoryScan(0);
}

TEST_F(DirectoryScanTest, FailedBeginLeavesNothingOpen) {
  struct Case {
    const char* note;
    std::wstring folder;
  } cases[] = {
      {"missing folder", At(L"missing")},
      {"missing parent", At(L"missing\\deeper")},
      {"a file where the folder should be", At(L"file.bin")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note);
    PoisonScan(3);
    EXPECT_EQ(BeginDirectoryScan(3, c.folder, L"*.*"), 0);
    EXPECT_FALSE(SearchIsOpenOn(At(L"stale"))) << "the earlier scan is ended";
    EXPECT_EQ(NextScanEntry(3), 0);
    EXPECT_EQ(ScanEntryName(3), L"");
    EndDirectoryScan(3);  // never opened: nothing happens
    EXPECT_EQ(NextScanEntry(3), 0);
  }
}

TEST_F(DirectoryScanTest, PatternMatchingNothingIsOpenButEmpty) {
  PoisonScan(2);
  EXPECT_NE(BeginDirectoryScan(2, At(L"full"), L"*.xyz"), 0);
  EXPECT_EQ(NextScanEntry(2), 0);
  EXPECT_EQ(ScanEntryName(2), L"");
  EndDirectoryScan(2);
  EndDirectoryScan(2);  // already ended: nothing happens
  EXPECT_EQ(NextScanEntry(2), 0);
}

TEST_F(DirectoryScanTest, SecondBeginClosesTheFirstSearch) {
  ASSERT_NE(BeginDirectoryScan(5, At(L"full"), L"*.*"), 0);
  ASSERT_NE(NextScanEntry(5), 0);
  ASSERT_TRUE(SearchIsOpenOn(At(L"full")));

  ASSERT_NE(BeginDirectoryScan(5, At(L"empty"), L"*.*"), 0);
  EXPECT_FALSE(SearchIsOpenOn(At(L"full")));
  EXPECT_TRUE(SearchIsOpenOn(At(L"empty")));
  EXPECT_EQ(ScanNames(5), (Names{L".", L".."})) << "the new scan starts at its first entry";

  EndDirectoryScan(5);
  EXPECT_FALSE(SearchIsOpenOn(At(L"empty")));
  EXPECT_EQ(ScanEntryName(5), L"");
}

TEST_F(DirectoryScanTest, NumbersAreIndependentAndAllEndAtProgramEnd) {
  const int numbers[] = {0, 14, 40};
  const std::wstring folders[] = {At(L"full"), At(L"empty"), At(L"stale")};
  for (int i = 0; i < 3; ++i) ASSERT_NE(BeginDirectoryScan(numbers[i], folders[i], L"*.*"), 0);
  for (int i = 0; i < 3; ++i) {
    ASSERT_NE(NextScanEntry(numbers[i]), 0);
    EXPECT_EQ(ScanEntryName(numbers[i]), L".");
  }
  EndDirectoryScan(14);
  EXPECT_EQ(NextScanEntry(14), 0);
  EXPECT_NE(NextScanEntry(40), 0) << "ending one number leaves the others";
  EXPECT_EQ(ScanEntryName(40), L"..");

  EndAllDirectoryScans();
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(SearchIsOpenOn(folders[i]));
    EXPECT_EQ(NextScanEntry(numbers[i]), 0);
    EXPECT_EQ(ScanEntryName(numbers[i]), L"");
  }
}

struct FolderPartCase {
  const char* note;
  const wchar_t* path;
  const wchar_t* expected;
};

const FolderPartCase kFolderPartCases[] = {
    {"backslashes", L"C:\\Apps\\Tovalu\\Tovalu.exe", L"C:\\Apps\\Tovalu\\"},
    {"slashes", L"C:/a/b.txt", L"C:/a/"},
    {"mixed separators, the last one counts", L"C:\\a/b\\c.txt", L"C:\\a/b\\"},
    {"quoted path", L"\"C:\\a b\\x.exe\"", L"C:\\a b\\"},
    {"no separator", L"x.exe", L""},
    {"quoted, no separator", L"\"x.exe\"", L""},
    {"text after a bar is not looked at", L"C:\\a|D:\\b\\c", L"C:\\"},
    {"bar before any separator", L"x|D:\\b\\c", L""},
    {"folder already", L"C:\\a\\", L"C:\\a\\"},
    {"drive root", L"C:\\", L"C:\\"},
    {"empty", L"", L""},
};

TEST(FolderPartOfPath, KeepsTheFolderWithItsLastSeparator) {
  for (const FolderPartCase& c : kFolderPartCases) {
    SCOPED_TRACE(c.note);
    EXPECT_EQ(FolderPartOfPath(c.path), std::wstring(c.expected));
  }
}

class CurrentDirectoryTest : public ScratchTest {
 protected:
  void TearDown() override {
    SetCurrentDirectoryW(L"C:\\");  // out of the scratch folder, so that it can be removed
    ScratchTest::TearDown();
  }
  CurrentDirectoryGuard restore_;
};

TEST_F(CurrentDirectoryTest, EndsWithOneBackslash) {
  const std::wstring folder = At(L"Setup");
  ASSERT_TRUE(MakeFolder(folder));
  ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
  EXPECT_EQ(CurrentDirectoryPath(), folder + L"\\");

  ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\"));
  EXPECT_EQ(CurrentDirectoryPath(), L"C:\\") << "a drive root is returned unchanged";
}

TEST_F(CurrentDirectoryTest, FolderBeyondTheLimitGivesEmptyText) {
  // Folders of 259 characters (the longest that fits with the terminating zero), 260 and
  // far beyond.
  std::wstring folder = At(L"");
  folder.pop_back();
  const size_t lengths[] = {259, 260, 340};
  for (const size_t length : lengths) {
    SCOPED_TRACE(testing::Message() << "length " << length);
    std::wstring path = folder;
    while (path.size() < length) {
      path += L'\\' + std::wstring(std::min<size_t>(length - path.size() - 1, 60), L'd');
      CreateDirectoryW(LongForm(path).c_str(), nullptr);
    }
    ASSERT_EQ(path.size(), length);
    ASSERT_TRUE(IsFolder(path));
    if (!SetCurrentDirectoryW(path.c_str())) GTEST_SKIP() << "this system refuses such a current directory";
    const std::wstring current = CurrentDirectoryPath();
    if (length < static_cast<size_t>(260)) {
      EXPECT_EQ(current, path + L"\\");
    } else {
      EXPECT_EQ(current, L"") << "never a partial path";
    }
    SetCurrentDirectoryW(L"C:\\");
  }
}

TEST(UserProfileFolder, IsTheProfileWithOneBackslash) {
  const std::wstring profile = UserProfileFolder();
  ASSERT_FALSE(profile.empty());
  EXPECT_EQ(profile.back(), L'\\');
  EXPECT_NE(profile[profile.size() - 2], L'\\');
  EXPECT_TRUE(IsFolder(profile));
  const std::wstring expected = EnvironmentText(L"USERPROFILE");
  if (!expected.empty()) {
    EXPECT_EQ(profile, expected + L"\\");
  }
}

}  // namespace
