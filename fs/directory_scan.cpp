#include "fs/directory_scan.h"

#include <windows.h>
#include <shlobj.h>

#include <new>
#include <vector>

#include "fs/path_limit.h"

namespace {

// The search handle of a folder that exists but where nothing matched: there is no
// search to continue or to close.
const HANDLE NoEntries = INVALID_HANDLE_VALUE;

struct ScanRecord {
  bool open = false;
  HANDLE search = NoEntries;
  bool firstEntryPending = false;
  WIN32_FIND_DATAW current = {};
};

std::vector<ScanRecord> scans;

ScanRecord* OpenScan(int number) {
  if (number < 0 || static_cast<size_t>(number) >= scans.size()) return nullptr;
  ScanRecord& record = scans[static_cast<size_t>(number)];
  return record.open ? &record : nullptr;
}

std::wstring SearchPath(const std::wstring& folder, const std::wstring& pattern) {
  std::wstring path = folder;
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  path += pattern.empty() ? L"*.*" : pattern;
  return path;
}

}  // namespace

int BeginDirectoryScan(int number, const std::wstring& folder, const std::wstring& pattern) {
  if (number < 0) return 0;
  EndDirectoryScan(number);
  ScanRecord* record = nullptr;
  std::wstring path;
  try {
    if (static_cast<size_t>(number) >= scans.size()) scans.resize(static_cast<size_t>(number) + 1);
    record = &scans[static_cast<size_t>(number)];
    path = SearchPath(folder, pattern);
  } catch (const std::bad_alloc&) {
    return 0;
  }

  ScanRecord fresh;
  fresh.search = FindFirstFileW(path.c_str(), &fresh.current);
  if (fresh.search == INVALID_HANDLE_VALUE) {
    // Not found means the folder was listed and nothing matched; anything else (missing
    // folder, a file in its place, no access) is a failure.
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return 0;
    fresh.current = WIN32_FIND_DATAW{};
  } else {
    fresh.firstEntryPending = true;
  }
  fresh.open = true;
  *record = fresh;
  return 1;
}

int NextScanEntry(int number) {
  ScanRecord* record = OpenScan(number);
  if (!record || record->search == NoEntries) return 0;
  if (record->firstEntryPending) {
    record->firstEntryPending = false;
    return 1;
  }
  if (FindNextFileW(record->search, &record->current)) return 1;
  // At the end no entry is current: a stale name must not come back as if it were one.
  record->current.cFileName[0] = L'\0';
  return 0;
}

std::wstring ScanEntryName(int number) {
  const ScanRecord* record = OpenScan(number);
  if (!record) return std::wstring();
  return std::wstring(record->current.cFileName);
}

void EndDirectoryScan(int number) {
  ScanRecord* record = OpenScan(number);
  if (!record) return;
  if (record->search != NoEntries) FindClose(record->search);
  *record = ScanRecord();
}

void EndAllDirectoryScans() {
  for (size_t number = 0; number < scans.size(); ++number) EndDirectoryScan(static_cast<int>(number));
}

std::wstring CurrentDirectoryPath() {
  wchar_t buffer[PathLimit];
  const DWORD length = GetCurrentDirectoryW(PathLimit, buffer);
  // When the folder does not fit, the call gives the size it would need and leaves the
  // buffer undefined: a partial path would name another folder.
  if (length == 0 || length >= PathLimit) return std::wstring();
  std::wstring path(buffer, length);
  if (path.back() != L'\\') path += L'\\';
  return path;
}

std::wstring UserProfileFolder() {
  PIDLIST_ABSOLUTE items = nullptr;
  if (SHGetFolderLocation(nullptr, CSIDL_PROFILE, nullptr, 0, &items) != S_OK) return std::wstring();
  wchar_t buffer[PathLimit];
  const BOOL found = SHGetPathFromIDListW(items, buffer);
  CoTaskMemFree(items);
  if (!found) return std::wstring();
  std::wstring path(buffer);
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path;
}
