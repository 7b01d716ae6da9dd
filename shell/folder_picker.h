// The folder picker's Win32 side: its callback, and the picker taken from a named shell
// library (BrowseForFolder uses "SHELL32.DLL"; the tests give a stand-in library).
#pragma once

#include <windows.h>

#include <string>

// On BFFM_INITIALIZED with data: selects the folder text in data, then, 200 ms later, posts
// the same selection again. Always returns 0.
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM param, LPARAM data);

// BrowseForFolder with the picker's two entry points looked up in the library named here.
// A library that cannot be loaded, or that lacks either entry point, gives empty text with no
// dialog and no window touched.
std::wstring BrowseForFolderFrom(const wchar_t* shellLibrary, const std::wstring& title,
                                 const std::wstring& initialFolder);
