// The test side of the stand-in shell library (fake_shell.cpp): while a FakeShellLibrary
// exists, the stand-in's picker runs whatever function the test gives it.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>

extern const wchar_t FakeShell[];

// What the stand-in's SHBrowseForFolderW does: gets the request, returns the chosen item
// (MakeFakeItem) or null for a cancel.
using FakePicker = std::function<PIDLIST_ABSOLUTE(BROWSEINFOW& request)>;

// An item of the stand-in, freed by the caller with CoTaskMemFree. An empty path stands for a
// shell item without a file-system path.
PIDLIST_ABSOLUTE MakeFakeItem(const std::wstring& path);

// Keeps one reference to the stand-in for its lifetime, so that a test can see at the end
// that every picker call gave back the reference it took (Released()).
class FakeShellLibrary {
 public:
  FakeShellLibrary();
  ~FakeShellLibrary();
  FakeShellLibrary(const FakeShellLibrary&) = delete;
  FakeShellLibrary& operator=(const FakeShellLibrary&) = delete;
  bool loaded() const { return library_ != nullptr; }
  void SetPicker(FakePicker picker);
  // Drops the test's own reference; true when the library is then gone from the process.
  bool Release();

 private:
  HMODULE library_;
};
