// The shortcut's working folder is cut from a path built from what the user typed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fs/directory_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::wstring path;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    path.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  }
  const std::wstring folder = FolderPartOfPath(path);
  if (folder.empty()) return 0;

  // The folder part is a piece of the path (after an opening quote), ends with its separator,
  // and holds no "|" (nothing after one is looked at).
  const std::size_t begin = path[0] == L'"' ? 1 : 0;
  if (path.compare(begin, folder.size(), folder) != 0) std::abort();
  if (folder.back() != L'\\' && folder.back() != L'/') std::abort();
  if (folder.find(L'|') != std::wstring::npos) std::abort();
  // Taking the folder part of a folder part changes nothing, unless a quote was dropped.
  if (begin == 0 && FolderPartOfPath(folder) != folder) std::abort();
  return 0;
}
