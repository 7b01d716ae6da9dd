// Scratch folder trees for the file-system tests. Every test builds its trees in its own
// folder under the Windows temp folder; teardown removes it and checks that it is gone.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

std::string Narrow(const std::wstring& text);  // UTF-8, for failure messages

bool MakeFolder(const std::wstring& path);
// Creates or replaces the file with exactly these bytes.
bool WriteBytes(const std::wstring& path, const std::string& bytes);
// The file's bytes; "<missing>" when it cannot be read.
std::string ReadBytes(const std::wstring& path);
bool PathExists(const std::wstring& path);
bool IsFolder(const std::wstring& path);
bool SetReadOnly(const std::wstring& path, bool readOnly);
// Every entry below folder as a relative path, folders with a trailing "\".
std::set<std::wstring> ListTree(const std::wstring& folder);
// Removes the content of folder (read-only entries included); true when nothing is left.
bool EmptyFolder(const std::wstring& folder);
// Removes folder and everything in it; true when it is gone.
bool RemoveTree(const std::wstring& folder);
// "\\?\" form of an absolute path, for building trees deeper than the classic limit.
std::wstring LongForm(const std::wstring& path);
// Value of an environment variable set by the test wrapper; empty when unset.
std::wstring EnvironmentText(const wchar_t* name);

class ScratchTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // root_ followed by relative.
  std::wstring At(const std::wstring& relative) const { return root_ + relative; }

  std::wstring root_;  // this test's own folder, ends with "\"
};

// Restores the process's current directory when it goes out of scope.
class CurrentDirectoryGuard {
 public:
  CurrentDirectoryGuard();
  ~CurrentDirectoryGuard();
  CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
  CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

 private:
  std::wstring saved_;
};
