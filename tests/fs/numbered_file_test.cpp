#include "fs/numbered_file.h"

#include <gtest/gtest.h>

#include "tests/fs/fs_test_support.h"

namespace {

const wchar_t kPathFile[] = L"PathFile.txt";

// The four calls with which the installer records its destination.
void RecordInstallPath(const std::wstring& path) {
  RemoveFile(kPathFile);
  if (!OpenOrCreateFile(0, kPathFile)) return;
  WriteTextLine(0, path);
  CloseNumberedFile(0);
}

bool CanOpenElsewhere(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// The file's size as the folder listing shows it, without opening the file.
ULONGLONG ListedSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return ~0ull;
  return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Each test works in its own scratch folder as the current directory, where the
// installer's relative "PathFile.txt" lands.
class NumberedFileTest : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    ASSERT_TRUE(SetCurrentDirectoryW(root_.c_str()));
  }
  void TearDown() override {
    CloseAllNumberedFiles();
    SetCurrentDirectoryW(L"C:\\");  // the scratch folder can then be removed
    ScratchTest::TearDown();
  }
  CurrentDirectoryGuard restore_;
};

struct BytesCase {
  const char* note;
  std::wstring path;
  std::string bytes;
};

TEST_F(NumberedFileTest, PathFileHoldsTheUtf8PathAndOneLineEnd) {
  // Lengths around the 4096-byte buffer: the line end fits behind the text, fills the
  // buffer exactly, or arrives when the text has taken all of it.
  std::vector<BytesCase> cases = {
      {"accented path", L"D:\\Donn\u00e9es\\Tovalu",
       "D:\\Donn\xC3\xA9" "es\\Tovalu\r\n"},
      {"ASCII path", L"C:\\Tovalu", "C:\\Tovalu\r\n"},
      {"empty text", L"", "\r\n"},
  };
  for (const size_t length : {4093u, 4094u, 4095u, 4096u, 9000u}) {
    cases.push_back({"long ASCII text", std::wstring(length, L'p'), std::string(length, 'p') + "\r\n"});
  }
  cases.push_back({"long text of two-byte letters", std::wstring(3000, L'\u00e9'),
                   [] {
                     std::string s;
                     for (int i = 0; i < 3000; ++i) s += "\xC3\xA9";
                     return s + "\r\n";
                   }()});
  for (const BytesCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.note << ", " << c.path.size() << " characters");
    // An older, longer file is there each time: it must be replaced, not overwritten.
    ASSERT_TRUE(WriteBytes(At(kPathFile), std::string(10000, '#')));
    RecordInstallPath(c.path);
    EXPECT_EQ(ReadBytes(At(kPathFile)), c.bytes);
  }
}

TEST_F(NumberedFileTest, WriteTextLineGivesTheLineEndCount) {
  ASSERT_NE(OpenOrCreateFile(4, L"count.txt"), 0);
  EXPECT_EQ(WriteTextLine(4, L"first"), 2);
  EXPECT_EQ(WriteTextLine(4, L""), 2);
  EXPECT_EQ(WriteTextLine(4, L"third"), 2);
  CloseNumberedFile(4);
  EXPECT_EQ(ReadBytes(At(L"count.txt")), "first\r\n\r\nthird\r\n");
}

TEST_F(NumberedFileTest, NumbersNotOpenDoNothing) {
  EXPECT_EQ(WriteTextLine(0, L"x"), 0);
  EXPECT_EQ(WriteTextLine(77, L"x"), 0);
  CloseNumberedFile(0);
  CloseNumberedFile(77);
  ASSERT_NE(OpenOrCreateFile(1, L"one.txt"), 0);
  CloseNumberedFile(1);
  CloseNumberedFile(1);  // already closed
  EXPECT_EQ(WriteTextLine(1, L"late"), 0);
  EXPECT_EQ(ReadBytes(At(L"one.txt")), "");
}

TEST_F(NumberedFileTest, RemoveFileDeletesOnlyWhatItMay) {
  ASSERT_TRUE(WriteBytes(At(L"plain.txt"), "p"));
  ASSERT_TRUE(WriteBytes(At(L"locked.txt"), "l"));
  ASSERT_TRUE(SetReadOnly(At(L"locked.txt"), true));
  EXPECT_NE(RemoveFile(L"plain.txt"), 0);
  EXPECT_FALSE(PathExists(At(L"plain.txt")));
  EXPECT_EQ(RemoveFile(L"plain.txt"), 0) << "already gone";
  EXPECT_EQ(RemoveFile(L"locked.txt"), 0);
  EXPECT_EQ(ReadBytes(At(L"locked.txt")), "l");
  EXPECT_EQ(RemoveFile(L""), 0);
}

TEST_F(NumberedFileTest, ReadOnlyPathFileIsLeftUnchanged) {
  ASSERT_TRUE(WriteBytes(At(kPathFile), "C:\\Old\r\n"));
  ASSERT_TRUE(SetReadOnly(At(kPathFile), true));
  EXPECT_EQ(RemoveFile(kPathFile), 0);
  EXPECT_EQ(OpenOrCreateFile(0, kPathFile), 0);
  EXPECT_EQ(WriteTextLine(0, L"C:\\Tovalu"), 0);
  CloseNumberedFile(0);
  EXPECT_EQ(ReadBytes(At(kPathFile)), "C:\\Old\r\n");
}

TEST_F(NumberedFileTest, RewrittenFileLosesItsOldTail) {
  // A file that may be written but not deleted is opened with its old content; what
  // stays after the close is the new line alone.
  ASSERT_TRUE(WriteBytes(At(L"kept.txt"), "C:\\A much longer older path\\Tovalu\r\n"));
  ASSERT_NE(OpenOrCreateFile(2, L"kept.txt"), 0);
  WriteTextLine(2, L"C:\\Tovalu");
  CloseNumberedFile(2);
  EXPECT_EQ(ReadBytes(At(L"kept.txt")), "C:\\Tovalu\r\n");
}

TEST_F(NumberedFileTest, UndeletablePathFileGetsExactlyTheNewLine) {
  // The test wrapper provides a folder the test user cannot write, holding a PathFile.txt
  // that the user may write: the delete is refused, the open is not.
  const std::wstring sealed = EnvironmentText(L"TOVALU_FS_SEALED");
  if (sealed.empty()) GTEST_SKIP() << "no sealed folder: run through tests/fs/run-with-fixtures.sh";
  const std::wstring file = sealed + L"\\PathFile.txt";
  ASSERT_TRUE(WriteBytes(file, "C:\\A much longer older path\\Tovalu\r\n"));
  ASSERT_TRUE(SetCurrentDirectoryW(sealed.c_str()));
  // Wine reports such a delete as done although the file stays: the file is what counts.
  const int removed = RemoveFile(kPathFile);
  ASSERT_TRUE(PathExists(file)) << "the folder must refuse the delete; RemoveFile gave " << removed;
  RecordInstallPath(L"C:\\Tovalu");
  EXPECT_EQ(ReadBytes(file), "C:\\Tovalu\r\n");
}

TEST_F(NumberedFileTest, UnwritableCurrentDirectoryGetsNoFile) {
  const std::wstring locked = EnvironmentText(L"TOVALU_FS_LOCKED");
  if (locked.empty()) GTEST_SKIP() << "no locked folder: run through tests/fs/run-with-fixtures.sh";
  ASSERT_TRUE(SetCurrentDirectoryW(locked.c_str()));
  EXPECT_EQ(OpenOrCreateFile(0, kPathFile), 0);
  RecordInstallPath(L"C:\\Tovalu");
  EXPECT_FALSE(PathExists(locked + L"\\PathFile.txt"));
}

TEST_F(NumberedFileTest, NothingReachesTheFileBeforeTheCloseAndNobodyElseOpensIt) {
  ASSERT_NE(OpenOrCreateFile(0, kPathFile), 0);
  WriteTextLine(0, L"C:\\Tovalu");
  WriteTextLine(0, L"D:\\Autre");
  EXPECT_EQ(ListedSize(At(kPathFile)), 0u);
  EXPECT_FALSE(CanOpenElsewhere(At(kPathFile))) << "held without sharing";
  EXPECT_EQ(RemoveFile(kPathFile), 0) << "nor deleted while open";
  CloseNumberedFile(0);
  EXPECT_TRUE(CanOpenElsewhere(At(kPathFile)));
  EXPECT_EQ(ReadBytes(At(kPathFile)), "C:\\Tovalu\r\nD:\\Autre\r\n");
}

TEST_F(NumberedFileTest, ReopeningANumberAndProgramEndWriteWhatIsBuffered) {
  ASSERT_NE(OpenOrCreateFile(0, L"first.txt"), 0);
  WriteTextLine(0, L"one");
  ASSERT_NE(OpenOrCreateFile(0, L"second.txt"), 0) << "a number in use is closed first";
  EXPECT_EQ(ReadBytes(At(L"first.txt")), "one\r\n");
  WriteTextLine(0, L"two");
  ASSERT_NE(OpenOrCreateFile(9, L"third.txt"), 0);
  WriteTextLine(9, L"three");
  EXPECT_EQ(ListedSize(At(L"second.txt")), 0u);

  CloseAllNumberedFiles();
  EXPECT_EQ(ReadBytes(At(L"second.txt")), "two\r\n");
  EXPECT_EQ(ReadBytes(At(L"third.txt")), "three\r\n");
  EXPECT_EQ(WriteTextLine(0, L"late"), 0);
  EXPECT_EQ(WriteTextLine(9, L"late"), 0);
}

}  // namespace
