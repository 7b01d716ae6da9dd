#include "core/install_path.h"

#include "core/profile.h"

namespace {

std::wstring installPath;

}  // namespace

std::wstring NormalizeInstallPath(const std::wstring& text) {
  const std::wstring& name = InstallerProfile().ProductName;
  const size_t n = name.size();
  const size_t tailStart = text.size() > n ? text.size() - n : 0;
  if (text.compare(tailStart, std::wstring::npos, name) == 0) return text;
  // Only the backslash counts as a trailing separator: "D:/Apps/" still gets one.
  if (!text.empty() && text.back() == L'\\') return text + name;
  return text + L'\\' + name;
}

const std::wstring& InstallPath() { return installPath; }

void SetInstallPath(const std::wstring& path) { installPath = path; }
