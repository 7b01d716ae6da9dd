#include "fs/tree_copy.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>

#include "fs/path_limit.h"

namespace {

// A path is kept whole or refused: a cut destination would send files into another
// folder than the one the user chose.
constexpr size_t PathBufferSize = PathLimit + 1;  // the terminating zero

// One folder level of the walk. Each level has its own fixed buffers, so that a walk of
// any width allocates nothing per entry; entry names are written after the base.
struct LevelPaths {
  wchar_t source[PathBufferSize];       // source base ending with "\", then "*.*" or a name
  size_t sourceBase;
  wchar_t destination[PathBufferSize];  // destination test path, then "\" and a name
  size_t destinationTest;
  size_t sourceEntry;       // lengths of the two entry paths
  size_t destinationEntry;
};

class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

int CopyLevel(const wchar_t* source, size_t sourceLength, const wchar_t* destination,
              size_t destinationLength, const wchar_t* pattern, int flags);

// Writes text at buffer[at] when the whole path fits; otherwise leaves the buffer alone.
bool PlaceText(wchar_t* buffer, size_t at, const wchar_t* text, size_t length) {
  if (at + length >= PathBufferSize) return false;
  wmemcpy(buffer + at, text, length);
  buffer[at + length] = L'\0';
  return true;
}

bool PrepareLevelPaths(const wchar_t* source, size_t sourceLength, const wchar_t* destination,
                       size_t destinationLength, LevelPaths& paths) {
  // Destination test path: the destination less one trailing backslash.
  paths.destinationTest = destinationLength;
  if (destination[destinationLength - 1] == L'\\') --paths.destinationTest;
  if (!PlaceText(paths.destination, 0, destination, paths.destinationTest)) return false;

  // Source base with its backslash; the listing of the level must fit behind it.
  if (!PlaceText(paths.source, 0, source, sourceLength)) return false;
  paths.sourceBase = sourceLength;
  if (source[sourceLength - 1] != L'\\' && !PlaceText(paths.source, paths.sourceBase++, L"\\", 1))
    return false;
  return PlaceText(paths.source, paths.sourceBase, L"*.*", 3);
}

// Source entry path and destination entry path for one name; false when either would not
// fit, and then the entry is not copied.
bool PlaceEntryName(LevelPaths& paths, const wchar_t* name) {
  const size_t length = wcslen(name);
  if (paths.destinationTest + 1 + length >= PathBufferSize) return false;
  if (!PlaceText(paths.source, paths.sourceBase, name, length)) return false;
  paths.destination[paths.destinationTest] = L'\\';
  PlaceText(paths.destination, paths.destinationTest + 1, name, length);
  paths.sourceEntry = paths.sourceBase + length;
  paths.destinationEntry = paths.destinationTest + 1 + length;
  return true;
}

bool IsExistingFolder(const wchar_t* path) {
  WIN32_FIND_DATAW found;
  FindHandle search(FindFirstFileW(path, &found));
  return search && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsDotEntry(const wchar_t* name) {
  return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

// One entry of a level; false when it was to be copied and was not.
bool CopyEntry(LevelPaths& paths, const WIN32_FIND_DATAW& entry, const wchar_t* pattern,
               int flags, bool targetsMayExist) {
  const wchar_t* name = entry.cFileName;
  if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    if (!(flags & CopyRecursive) || IsDotEntry(name)) return true;
    if (!PlaceEntryName(paths, name)) return false;
    return CopyLevel(paths.source, paths.sourceEntry, paths.destination, paths.destinationEntry,
                     pattern, flags) != 0;
  }
  if (!PathMatchSpecW(name, pattern)) return true;
  if (!PlaceEntryName(paths, name)) return false;
  // The platform's copy refuses to overwrite a read-only or hidden target; when there is
  // no target yet this simply fails. In a folder this walk has just created there is none,
  // so the call, a round trip per file, is spared there.
  if ((flags & CopyForce) && targetsMayExist) {
    SetFileAttributesW(paths.destination, FILE_ATTRIBUTE_NORMAL);
  }
  return CopyFileW(paths.source, paths.destination, FALSE) != 0;
}

int CopyLevel(const wchar_t* source, size_t sourceLength, const wchar_t* destination,
              size_t destinationLength, const wchar_t* pattern, int flags) {
  LevelPaths paths;
  if (!PrepareLevelPaths(source, sourceLength, destination, destinationLength, paths)) return 0;

  const bool destinationExists = IsExistingFolder(paths.destination);
  WIN32_FIND_DATAW entry;
  FindHandle listing(FindFirstFileW(paths.source, &entry));
  if (!listing) return 0;

  // A bare drive (D: or D:\) is never created; the copies go straight into its root.
  const bool isDrive = paths.destinationTest > 0 &&
                       paths.destination[paths.destinationTest - 1] == L':';
  if (!destinationExists && !isDrive && !CreateDirectoryW(destination, nullptr)) return 0;
  const bool targetsMayExist = destinationExists || isDrive;

  int result = 1;
  do {
    if (!CopyEntry(paths, entry, pattern, flags, targetsMayExist)) result = 0;
  } while (FindNextFileW(listing.get(), &entry));
  return result;
}

// The absolute form of a path without trailing backslashes, for comparing two folders.
std::wstring ComparableFullPath(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::wstring();
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
  if (length == 0 || length >= size) return std::wstring();
  full.resize(length);
  while (!full.empty() && full.back() == L'\\') full.pop_back();
  return full;
}

// A destination that is the source or lies inside it would have the walk meet the folders
// it creates itself.
bool IsSameOrInside(const std::wstring& destination, const std::wstring& source) {
  const std::wstring outer = ComparableFullPath(source);
  const std::wstring inner = ComparableFullPath(destination);
  if (outer.empty() || inner.size() < outer.size()) return false;
  if (inner.size() > outer.size() && inner[outer.size()] != L'\\') return false;
  return CompareStringOrdinal(inner.c_str(), static_cast<int>(outer.size()), outer.c_str(),
                              static_cast<int>(outer.size()), TRUE) == CSTR_EQUAL;
}

// The platform would read a text with a zero inside as a shorter path.
bool HasInnerZero(const std::wstring& text) { return text.find(L'\0') != std::wstring::npos; }

}  // namespace

int CopyDirectoryTree(const std::wstring& source, const std::wstring& destination,
                      const std::wstring& pattern, int flags) {
  if (source.empty() || destination.empty()) return 0;
  if (HasInnerZero(source) || HasInnerZero(destination) || HasInnerZero(pattern)) return 0;
  if (IsSameOrInside(destination, source)) return 0;
  const wchar_t* filePattern = pattern.empty() ? L"*.*" : pattern.c_str();
  return CopyLevel(source.c_str(), source.size(), destination.c_str(), destination.size(),
                   filePattern, flags);
}
