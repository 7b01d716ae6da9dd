// Any text the user can type or the picker can return goes through the destination rule.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/install_path.h"
#include "core/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Two bytes per code unit, as the text arrives on Windows.
  std::wstring text;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  }
  const std::wstring& name = InstallerProfile().ProductName;
  const std::wstring result = NormalizeInstallPath(text);

  // The result starts with the text, ends with the product name, never with a separator,
  // and the rule applied twice changes nothing.
  if (result.compare(0, text.size(), text) != 0) std::abort();
  if (result.size() < name.size() || result.compare(result.size() - name.size(), name.size(), name) != 0) std::abort();
  if (result.size() > text.size() + name.size() + 1) std::abort();
  if (NormalizeInstallPath(result) != result) std::abort();
  return 0;
}
