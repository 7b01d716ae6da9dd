// The destination rule: the installer always installs into a folder named after the
// product, and InstallPath is the folder it will use.
#pragma once

#include <string>

// Appends "\" and the product name unless the text already ends with the name
// (exactly, case-sensitively); a text ending in "\" gets the name directly.
// Pure text work: no trimming, no file-system access.
std::wstring NormalizeInstallPath(const std::wstring& text);

// The destination as last decided: at start-up, by the browse handler, or at the start
// of an installation. It always ends with the product name.
const std::wstring& InstallPath();
void SetInstallPath(const std::wstring& path);
