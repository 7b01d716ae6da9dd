#include "tests/fs/fs_test_support.h"
#include "tests/support/utf8.h"

#include <vector>

std::string Narrow(const std::wstring& text) { return Utf8(text); }

bool MakeFolder(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr) != 0; }

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

std::string ReadBytes(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes;
  char block[4096];
  DWORD got = 0;
  while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) bytes.append(block, got);
  CloseHandle(file);
  return bytes;
}

bool PathExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool SetReadOnly(const std::wstring& path, bool readOnly) {
  return SetFileAttributesW(path.c_str(),
                            readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != 0;
}

namespace {

// Visits every entry below folder (not "." and ".."), children before their folder is left.
template <typename Visit>
void WalkTree(const std::wstring& folder, const std::wstring& relative, Visit visit) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + relative + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  std::vector<WIN32_FIND_DATAW> entries;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") entries.push_back(found);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  for (const WIN32_FIND_DATAW& entry : entries) {
    const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const std::wstring path = relative + entry.cFileName + (isFolder ? L"\\" : L"");
    if (isFolder) WalkTree(folder, path, visit);
    visit(path, isFolder);
  }
}

std::wstring WithSeparator(const std::wstring& folder) {
  return !folder.empty() && folder.back() == L'\\' ? folder : folder + L'\\';
}

}  // namespace

std::set<std::wstring> ListTree(const std::wstring& folder) {
  std::set<std::wstring> paths;
  WalkTree(WithSeparator(folder), L"", [&](const std::wstring& path, bool) { paths.insert(path); });
  return paths;
}

bool EmptyFolder(const std::wstring& folder) {
  const std::wstring base = WithSeparator(folder);
  WalkTree(base, L"", [&](const std::wstring& path, bool isFolder) {
    const std::wstring full = LongForm(base + path);
    SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (isFolder) {
      RemoveDirectoryW(full.c_str());
    } else {
      DeleteFileW(full.c_str());
    }
  });
  return ListTree(folder).empty();
}

bool RemoveTree(const std::wstring& folder) {
  EmptyFolder(folder);
  const std::wstring full = LongForm(folder);
  SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(full.c_str());
  return !PathExists(folder);
}

std::wstring LongForm(const std::wstring& path) {
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path;
  return L"\\\\?\\" + path;
}

std::wstring EnvironmentText(const wchar_t* name) {
  wchar_t value[1024];
  const DWORD length = GetEnvironmentVariableW(name, value, 1024);
  if (length == 0 || length >= 1024) return std::wstring();
  return std::wstring(value, length);
}

void ScratchTest::SetUp() {
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  ASSERT_GT(length, 0u);
  ASSERT_LE(length, static_cast<DWORD>(MAX_PATH));
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = std::string(test->test_suite_name()) + "-" + test->name();
  std::wstring wide(name.begin(), name.end());
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'-';
  }
  root_ = std::wstring(temp, length) + L"tovalu-fs-" + std::to_wstring(GetCurrentProcessId()) +
          L"-" + wide + L"\\";
  RemoveTree(root_);
  ASSERT_TRUE(MakeFolder(root_)) << Narrow(root_);
}

void ScratchTest::TearDown() {
  if (root_.empty()) return;
  EXPECT_TRUE(RemoveTree(root_)) << "scratch folder left: " << Narrow(root_);
}

CurrentDirectoryGuard::CurrentDirectoryGuard() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  saved_.resize(size);
  saved_.resize(GetCurrentDirectoryW(size, &saved_[0]));
}

CurrentDirectoryGuard::~CurrentDirectoryGuard() { SetCurrentDirectoryW(saved_.c_str()); }
