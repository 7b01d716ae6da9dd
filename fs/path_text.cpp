// The path helpers that are pure text work, kept free of Win32 so they are fuzzed natively.
#include "fs/directory_scan.h"

std::wstring FolderPartOfPath(const std::wstring& path) {
  const size_t begin = !path.empty() && path[0] == L'"' ? 1 : 0;
  size_t end = 0;  // just after the last separator met; 0 when none
  for (size_t i = 0; i < path.size() && path[i] != L'|'; ++i) {
    if (path[i] == L'\\' || path[i] == L'/') end = i + 1;
  }
  if (end == 0) return std::wstring();
  return path.substr(begin, end - begin);
}
