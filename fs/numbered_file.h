// Small text files written through numbered handles ("PathFile.txt" is file 0): UTF-8 text,
// CR LF line ends, gathered in a 4096-byte buffer and written when full or at close.
#pragma once

#include <string>

// Deletes the file; nonzero when it was deleted. Attributes are left alone.
int RemoveFile(const std::wstring& name);
// Opens the file for writing under number, creating it when missing, shared with nobody.
// Nonzero on success. A number already open is closed first.
int OpenOrCreateFile(int number, const std::wstring& name);
// Writes text then CR LF; the result is the byte count taken for the line end, 0 for a
// number not open.
int WriteTextLine(int number, const std::wstring& text);
// Writes what is buffered and closes the file.
void CloseNumberedFile(int number);
// At program end: closes every file still open, writing what is buffered.
void CloseAllNumberedFiles();
