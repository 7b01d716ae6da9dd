#include "ui/dll_search.h"

#include <windows.h>

void RestrictDllSearchToSystemFolder() {
  // Windows 7 has SetDefaultDllDirectories only with its 2011 loader update, so it is looked
  // up rather than imported: without it the program would not start there at all.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                       GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                 : nullptr;
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  // Older loader: at least take the current directory out of the search.
  SetDllDirectoryW(L"");
}
