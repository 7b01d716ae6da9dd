// A DLL planted beside the program under a system DLL's name must not be loaded once the
// installer's start-up has restricted the search. The build puts such a DLL (dwmapi.dll, which
// Wine, like Windows, would otherwise take from the program's folder) next to this test.
#include "ui/dll_search.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring text(path, n);
  return text.substr(0, text.find_last_of(L'\\') + 1);
}

bool MarkerExists() {
  return GetFileAttributesW(L"planted-dll-was-loaded.txt") != INVALID_FILE_ATTRIBUTES;
}

bool IsPlanted(HMODULE module) {
  return module && GetProcAddress(module, "PlantedMarker") != nullptr;
}

class DllSearch : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    previous_.resize(MAX_PATH);
    previous_.resize(GetCurrentDirectoryW(MAX_PATH, &previous_[0]));
    ASSERT_TRUE(SetCurrentDirectoryW(temp));
    DeleteFileW(L"planted-dll-was-loaded.txt");
  }
  void TearDown() override {
    DeleteFileW(L"planted-dll-was-loaded.txt");
    SetCurrentDirectoryW(previous_.c_str());
  }
  std::wstring previous_;
};

// Runs in file order: the planted copy must first prove that it would be taken from the
// program's folder, then the restriction must keep it out.
TEST_F(DllSearch, ThePlantedDllIsBesideTheProgramAndLoadable) {
  const std::wstring planted = ProgramFolder() + L"dwmapi.dll";
  ASSERT_NE(GetFileAttributesW(planted.c_str()), INVALID_FILE_ATTRIBUTES) << "the build plants it";
  // Asked for by name from the program's folder, the plant is what comes back.
  HMODULE module = LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
  EXPECT_TRUE(IsPlanted(module));
  EXPECT_TRUE(MarkerExists());
  if (module) FreeLibrary(module);
}

TEST_F(DllSearch, AfterRestrictionANameLoadsTheSystemDllOnly) {
  RestrictDllSearchToSystemFolder();
  HMODULE module = LoadLibraryW(L"dwmapi.dll");
  EXPECT_FALSE(IsPlanted(module));
  EXPECT_FALSE(MarkerExists());
  if (module) FreeLibrary(module);
  // A DLL that exists only beside the program is not found at all.
  EXPECT_EQ(LoadLibraryW(L"planted_only.dll"), nullptr);
  EXPECT_FALSE(MarkerExists());
}

}  // namespace
