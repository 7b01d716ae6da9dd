#include "fs/tree_copy.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/fs/fs_test_support.h"

namespace {

// A tree as relative path -> bytes; folders end with "\" and map to "<folder>".
using Tree = std::map<std::wstring, std::string>;

const char kFolder[] = "<folder>";

Tree ReadTree(const std::wstring& folder) {
  Tree tree;
  const std::wstring base = folder.back() == L'\\' ? folder : folder + L'\\';
  for (const std::wstring& path : ListTree(folder)) {
    tree[path] = path.back() == L'\\' ? kFolder : ReadBytes(base + path);
  }
  return tree;
}

// Files at the top and in nested folders, a read-only file, a name without a dot, an
// empty folder and a folder without any .txt file.
const Tree kPayload = {
    {L"a.txt", "alpha"},
    {L"b.dat", "bravo bytes"},
    {L"noext", "no extension"},
    {L"locked.txt", "read-only"},
    {L"sub\\", kFolder},
    {L"sub\\c.txt", "charlie"},
    {L"sub\\d.bin", "delta"},
    {L"sub\\deeper\\", kFolder},
    {L"sub\\deeper\\e.txt", "echo"},
    {L"binonly\\", kFolder},
    {L"binonly\\f.bin", "foxtrot"},
    {L"empty\\", kFolder},
};

bool BuildTree(const std::wstring& folder, const Tree& tree) {
  if (!IsFolder(folder) && !MakeFolder(folder)) return false;
  for (const auto& entry : tree) {  // a map lists a folder before what it holds
    const std::wstring path = folder + L'\\' + entry.first;
    const bool ok = entry.second == kFolder ? MakeFolder(path) : WriteBytes(path, entry.second);
    if (!ok) return false;
  }
  return SetReadOnly(folder + L"\\locked.txt", true);
}

// Only the entries of tree whose path is in keep.
Tree Select(const Tree& tree, std::initializer_list<const wchar_t*> keep) {
  Tree selected;
  for (const wchar_t* path : keep) selected[path] = tree.at(path);
  return selected;
}

bool IsReadOnly(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

constexpr int CopyAll = CopyRecursive | CopyForce;  // what the installer passes

class TreeCopyTest : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    source_ = At(L"src");
    ASSERT_TRUE(BuildTree(source_, kPayload));
  }

  // A path of exactly length characters: folder, then "\" and runs of 'x' as folder
  // levels; with create, every level is made.
  static std::wstring PathOfLength(std::wstring folder, size_t length, bool create) {
    while (folder.size() < length) {
      folder += L'\\' + std::wstring(std::min<size_t>(length - folder.size() - 1, 50), L'x');
      if (create) CreateDirectoryW(LongForm(folder).c_str(), nullptr);
    }
    return folder;
  }

  std::wstring source_;
};

struct DestinationCase {
  const char* note;
  const wchar_t* destination;  // below the row's own folder
  enum { Missing, Folder, File } before;
  int result;
};

TEST_F(TreeCopyTest, DestinationForms) {
  const DestinationCase cases[] = {
      {"missing, parent present", L"out", DestinationCase::Missing, 1},
      {"missing, trailing backslash", L"out\\", DestinationCase::Missing, 1},
      {"existing folder", L"out", DestinationCase::Folder, 1},
      {"existing folder, trailing backslash", L"out\\", DestinationCase::Folder, 1},
      {"parent missing", L"missing\\out", DestinationCase::Missing, 0},
      {"a file in its place", L"out", DestinationCase::File, 0},
      {"a file in its place, trailing backslash", L"out\\", DestinationCase::File, 0},
  };
  int row = 0;
  for (const DestinationCase& c : cases) {
    SCOPED_TRACE(c.note);
    const std::wstring folder = At(L"row" + std::to_wstring(++row));
    const std::wstring out = folder + L"\\out";
    ASSERT_TRUE(MakeFolder(folder));
    Tree expected = kPayload;
    if (c.before == DestinationCase::Folder) {
      // Same names are overwritten (a read-only one too, with the force flag); others stay.
      ASSERT_TRUE(BuildTree(out, {{L"a.txt", "old alpha"}, {L"locked.txt", "old"}, {L"keep.txt", "kept"}}));
      expected[L"keep.txt"] = "kept";
    }
    if (c.before == DestinationCase::File) {
      ASSERT_TRUE(WriteBytes(out, "a file"));
    }

    EXPECT_EQ(CopyDirectoryTree(source_, folder + L'\\' + c.destination, L"", CopyAll), c.result);

    if (c.before == DestinationCase::File) {
      EXPECT_EQ(ReadTree(folder), (Tree{{L"out", "a file"}}));
    } else if (c.result == 0) {
      EXPECT_EQ(ReadTree(folder), Tree()) << "nothing is created";
    } else {
      EXPECT_EQ(ReadTree(out), expected);
      // How attributes reach an overwritten target is the platform's business.
      if (c.before == DestinationCase::Missing) {
        EXPECT_TRUE(IsReadOnly(out + L"\\locked.txt")) << "a new copy keeps the attributes";
      }
    }
  }
  EXPECT_EQ(ReadTree(source_), kPayload) << "the source is only read";
}

TEST_F(TreeCopyTest, SourceForms) {
  ASSERT_TRUE(MakeFolder(At(L"nothing")));
  ASSERT_TRUE(WriteBytes(At(L"plain.bin"), "x"));
  struct Case {
    const char* note;
    std::wstring source;
    int result;
    Tree copied;  // destination content; none when it must not be created
    bool created;
  } cases[] = {
      {"trailing backslash", source_ + L"\\", 1, kPayload, true},
      {"empty folder", At(L"nothing"), 1, Tree(), true},
      {"missing", At(L"missing"), 0, Tree(), false},
      {"a file", At(L"plain.bin"), 0, Tree(), false},
      {"empty text", L"", 0, Tree(), false},
  };
  int row = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note);
    const std::wstring out = At(L"out" + std::to_wstring(++row));
    EXPECT_EQ(CopyDirectoryTree(c.source, out, L"*.*", CopyAll), c.result);
    EXPECT_EQ(IsFolder(out), c.created);
    if (c.created) {
      EXPECT_EQ(ReadTree(out), c.copied);
    }
  }
  EXPECT_EQ(CopyDirectoryTree(source_, L"", L"", CopyAll), 0) << "empty destination text";
}

TEST_F(TreeCopyTest, ReadOnlyTargetNeedsTheForceFlag) {
  const std::wstring out = At(L"out");
  ASSERT_EQ(CopyDirectoryTree(source_, out, L"", CopyAll), 1);
  ASSERT_TRUE(IsReadOnly(out + L"\\locked.txt"));

  // A newer payload: every file changes.
  Tree newer = kPayload;
  ASSERT_TRUE(SetReadOnly(source_ + L"\\locked.txt", false));
  for (auto& entry : newer) {
    if (entry.second == kFolder) continue;
    entry.second += " v2";
    ASSERT_TRUE(WriteBytes(source_ + L'\\' + entry.first, entry.second));
  }
  ASSERT_TRUE(SetReadOnly(source_ + L"\\locked.txt", true));

  EXPECT_EQ(CopyDirectoryTree(source_, out, L"", CopyRecursive), 0);
  Tree expected = newer;
  expected[L"locked.txt"] = kPayload.at(L"locked.txt");
  EXPECT_EQ(ReadTree(out), expected) << "every other file is still copied";

  EXPECT_EQ(CopyDirectoryTree(source_, out, L"", CopyAll), 1);
  EXPECT_EQ(ReadTree(out), newer);
}

TEST_F(TreeCopyTest, PatternSelectsFilesAndRecursionSelectsFolders) {
  const Tree folders = Select(kPayload, {L"sub\\", L"sub\\deeper\\", L"binonly\\", L"empty\\"});
  Tree textFiles = Select(kPayload, {L"a.txt", L"locked.txt", L"sub\\c.txt", L"sub\\deeper\\e.txt"});
  textFiles.insert(folders.begin(), folders.end());
  Tree binFiles = Select(kPayload, {L"sub\\d.bin", L"binonly\\f.bin"});
  binFiles.insert(folders.begin(), folders.end());
  const Tree topFiles = Select(kPayload, {L"a.txt", L"b.dat", L"noext", L"locked.txt"});

  struct Case {
    const char* note;
    const wchar_t* pattern;
    int flags;
    Tree copied;
  } cases[] = {
      {"*.txt walks and creates every folder", L"*.txt", CopyAll, textFiles},
      {"letter case is ignored", L"*.TXT", CopyRecursive, textFiles},
      {"one-character wildcard", L"?.bin", CopyRecursive, binFiles},
      {"empty pattern is *.*, also below", L"", CopyAll, kPayload},
      {"*.* matches a name without a dot", L"*.*", CopyRecursive, kPayload},
      {"without recursion: top files only", L"", CopyForce, topFiles},
      {"without recursion, *.txt", L"*.txt", 0, Select(kPayload, {L"a.txt", L"locked.txt"})},
      {"other flag bits are ignored", L"", CopyAll | 0x100, kPayload},
  };
  int row = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note);
    const std::wstring out = At(L"out" + std::to_wstring(++row));
    EXPECT_EQ(CopyDirectoryTree(source_, out, c.pattern, c.flags), 1);
    EXPECT_EQ(ReadTree(out), c.copied);
  }
}

TEST_F(TreeCopyTest, DriveRootTakesTheCopyDirectly) {
  // The test wrapper maps a spare drive letter to an empty scratch folder.
  const std::wstring drive = EnvironmentText(L"TOVALU_FS_SPARE_DRIVE");
  if (drive.empty()) GTEST_SKIP() << "no spare drive: run through tests/fs/run-with-fixtures.sh";
  const std::wstring root = drive + L"\\";
  ASSERT_TRUE(IsFolder(root)) << Narrow(root);
  ASSERT_EQ(ReadTree(root), Tree()) << "the spare drive starts empty";
  for (const std::wstring& destination : {root, drive}) {
    SCOPED_TRACE(Narrow(destination));
    EXPECT_EQ(CopyDirectoryTree(source_, destination, L"", CopyAll), 1);
    EXPECT_EQ(ReadTree(root), kPayload);
    EXPECT_TRUE(EmptyFolder(root));
  }
}

TEST_F(TreeCopyTest, FullDiskFailsWithoutCrashing) {
  // The test wrapper mounts a small file system that the big file cannot fit.
  const std::wstring disk = EnvironmentText(L"TOVALU_FS_FULL_DISK");
  if (disk.empty()) GTEST_SKIP() << "no small disk: the test wrapper makes one only when started as root";
  ASSERT_TRUE(IsFolder(disk));
  ASSERT_TRUE(WriteBytes(source_ + L"\\sub\\big.bin", std::string(4 << 20, 'b')));
  const std::wstring out = disk + L"\\out";
  EXPECT_EQ(CopyDirectoryTree(source_, out, L"", CopyAll), 0);
  // Which smaller files still fit depends on the listing order and on what the platform
  // leaves of the failed copy, so only the outcome is checked.
  EXPECT_TRUE(IsFolder(out));
  EXPECT_TRUE(EmptyFolder(disk));
}

TEST_F(TreeCopyTest, PathsBeyondTheLimitAreNeverCut) {
  // A destination of 300 characters: its first 260 would name another folder.
  const std::wstring longDestination = PathOfLength(At(L"long"), 300, false);
  EXPECT_EQ(CopyDirectoryTree(source_, longDestination, L"", CopyAll), 0);
  EXPECT_EQ(ReadTree(At(L"long")), Tree()) << "nothing created, not even a cut folder";

  ASSERT_TRUE(MakeFolder(At(L"long")));
  std::wstring existing = At(L"long");
  for (const std::wstring& level : {std::wstring(120, L'y'), std::wstring(120, L'z')}) {
    existing += L'\\' + level;
    ASSERT_TRUE(CreateDirectoryW(LongForm(existing).c_str(), nullptr));
  }
  const Tree chain = ReadTree(At(L"long"));
  EXPECT_EQ(CopyDirectoryTree(source_, existing, L"", CopyAll), 0);
  EXPECT_EQ(ReadTree(At(L"long")), chain) << "an existing long destination gets nothing";

  // A source beyond the limit cannot be listed: the destination is not created.
  std::wstring longSource = At(L"deepsrc");
  ASSERT_TRUE(MakeFolder(longSource));
  for (int level = 0; level < 3; ++level) {
    longSource += L'\\' + std::wstring(90, static_cast<wchar_t>(L'a' + level));
    ASSERT_TRUE(CreateDirectoryW(LongForm(longSource).c_str(), nullptr));
  }
  ASSERT_TRUE(WriteBytes(LongForm(longSource + L"\\a.txt"), "alpha"));
  EXPECT_EQ(CopyDirectoryTree(longSource, At(L"fromlong"), L"", CopyAll), 0);
  EXPECT_FALSE(PathExists(At(L"fromlong")));
}

TEST_F(TreeCopyTest, EntriesBeyondTheLimitAreNotCopied) {
  const std::wstring names = At(L"names");
  const std::wstring longName(30, L'n');
  ASSERT_TRUE(BuildTree(names, {{L"a.txt", "alpha"},
                                {L"locked.txt", "read-only"},
                                {longName + L".txt", "long"},
                                {L"sub\\", kFolder},
                                {L"sub\\c.txt", "charlie"},
                                {L"sub\\" + longName, "long"},
                                {longName + L"\\", kFolder}}));
  // Short names fit below this destination, the long ones do not.
  ASSERT_TRUE(MakeFolder(At(L"deep")));
  const std::wstring out = PathOfLength(At(L"deep"), 240, true);
  ASSERT_TRUE(IsFolder(out));
  EXPECT_EQ(CopyDirectoryTree(names, out, L"", CopyAll), 0);
  EXPECT_EQ(ReadTree(out), (Tree{{L"a.txt", "alpha"},
                                 {L"locked.txt", "read-only"},
                                 {L"sub\\", kFolder},
                                 {L"sub\\c.txt", "charlie"}}));
}

TEST_F(TreeCopyTest, DestinationInsideTheSourceIsRefused) {
  CurrentDirectoryGuard restore;
  ASSERT_TRUE(SetCurrentDirectoryW(source_.c_str()));
  struct Case {
    const char* note;
    std::wstring destination;
  } cases[] = {
      {"a new child", source_ + L"\\inner"},
      {"below an existing sub-folder", source_ + L"\\sub\\inner"},
      {"the source itself", source_},
      {"the source in other letter case, with a backslash", At(L"SRC\\")},
      {"through a dot-dot", source_ + L"\\sub\\..\\inner"},
      {"relative to the current directory", L"inner"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note);
    EXPECT_EQ(CopyDirectoryTree(source_, c.destination, L"", CopyAll), 0);
    EXPECT_EQ(ReadTree(source_), kPayload) << "nothing created";
  }
  // A sibling whose name starts with the source's is not inside it.
  EXPECT_EQ(CopyDirectoryTree(source_, source_ + L"-copy", L"", CopyAll), 1);
  EXPECT_EQ(ReadTree(source_ + L"-copy"), kPayload);
}

}  // namespace
