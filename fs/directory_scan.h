// Folder listings under caller-chosen numbers, and the path helpers the installer uses.
#pragma once

#include <string>

// Opens a listing of folder (empty: the current directory) with pattern (empty: "*.*").
// Nonzero when open, also when the folder exists but nothing matches; 0 on failure.
// A number already open is ended first.
int BeginDirectoryScan(int number, const std::wstring& folder, const std::wstring& pattern);
// Nonzero when an entry has become current; 0 at the end or for a number not open.
int NextScanEntry(int number);
// The current entry's long name; empty text for a number not open.
std::wstring ScanEntryName(int number);
void EndDirectoryScan(int number);
// At program end: ends every scan still open.
void EndAllDirectoryScans();

// The current directory with one trailing backslash; empty text on failure.
std::wstring CurrentDirectoryPath();
// The path up to and including its last "\" or "/" (before any "|"); empty when none.
std::wstring FolderPartOfPath(const std::wstring& path);
// The user's profile folder with one trailing backslash; empty text on failure.
std::wstring UserProfileFolder();
