#include "tests/shell/fake_shell_client.h"

#include <cstring>

const wchar_t FakeShell[] = L"tovalu_fake_shell.dll";

namespace {

FakePicker currentPicker;

PIDLIST_ABSOLUTE RunCurrentPicker(BROWSEINFOW* request) {
  return currentPicker ? currentPicker(*request) : nullptr;
}

}  // namespace

PIDLIST_ABSOLUTE MakeFakeItem(const std::wstring& path) {
  const size_t bytes = (path.size() + 1) * sizeof(wchar_t);
  void* item = CoTaskMemAlloc(bytes);
  std::memcpy(item, path.c_str(), bytes);
  return static_cast<PIDLIST_ABSOLUTE>(item);
}

FakeShellLibrary::FakeShellLibrary() : library_(LoadLibraryW(FakeShell)) {
  if (!library_) return;
  using Install = void (*)(PIDLIST_ABSOLUTE (*)(BROWSEINFOW*));
  auto install = reinterpret_cast<Install>(
      reinterpret_cast<void (*)()>(GetProcAddress(library_, "SetFakeBrowseHandler")));
  if (install) install(RunCurrentPicker);
}

FakeShellLibrary::~FakeShellLibrary() { Release(); }

void FakeShellLibrary::SetPicker(FakePicker picker) { currentPicker = std::move(picker); }

bool FakeShellLibrary::Release() {
  currentPicker = nullptr;
  if (library_) FreeLibrary(library_);
  library_ = nullptr;
  return GetModuleHandleW(FakeShell) == nullptr;
}
