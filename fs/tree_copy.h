// Copying a folder tree: the step that puts the payload on disk.
#pragma once

#include <string>

constexpr int CopyRecursive = 1;  // walk and copy sub-folders
constexpr int CopyForce = 2;      // reset a target's attributes before overwriting it

// Copies the files of source that match pattern (empty: "*.*") into destination, creating
// destination one level deep when missing. Returns 1 when every selected file and every
// walked sub-folder was copied, 0 otherwise (also when the copy cannot start).
int CopyDirectoryTree(const std::wstring& source, const std::wstring& destination,
                      const std::wstring& pattern, int flags);
