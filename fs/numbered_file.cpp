#include "fs/numbered_file.h"

#include <windows.h>

#include <climits>
#include <new>
#include <vector>

namespace {

constexpr DWORD FileBufferSize = 4096;

struct FileRecord {
  bool open = false;
  HANDLE handle = INVALID_HANDLE_VALUE;
  char* buffer = nullptr;  // none when the heap could not give it: writes go out at once
  DWORD freeSpace = 0;
  bool writing = false;    // buffer set up by the first write since the open
  UINT codePage = CP_UTF8;
};

std::vector<FileRecord> files;

FileRecord* OpenFileRecord(int number) {
  if (number < 0 || static_cast<size_t>(number) >= files.size()) return nullptr;
  FileRecord& record = files[static_cast<size_t>(number)];
  return record.open ? &record : nullptr;
}

DWORD WriteAtOnce(FileRecord& file, const char* bytes, DWORD count) {
  DWORD written = 0;
  WriteFile(file.handle, bytes, count, &written, nullptr);
  return written;
}

void FlushBuffer(FileRecord& file) {
  if (!file.writing) return;
  const DWORD held = FileBufferSize - file.freeSpace;
  if (held > 0) WriteAtOnce(file, file.buffer, held);
  file.freeSpace = FileBufferSize;
}

DWORD WriteBuffered(FileRecord& file, const char* bytes, DWORD count) {
  if (!file.writing) {
    file.freeSpace = FileBufferSize;
    file.writing = true;
  }
  if (count < file.freeSpace) {
    CopyMemory(file.buffer + (FileBufferSize - file.freeSpace), bytes, count);
    file.freeSpace -= count;
    return count;
  }
  FlushBuffer(file);
  if (count >= FileBufferSize) return WriteAtOnce(file, bytes, count);
  CopyMemory(file.buffer, bytes, count);
  file.freeSpace -= count;
  return count;
}

int WriteText(FileRecord& file, const std::wstring& text) {
  if (text.empty() || text.size() >= static_cast<size_t>(INT_MAX)) return 0;
  const int units = static_cast<int>(text.size()) + 1;  // with the terminating zero
  const int size = WideCharToMultiByte(file.codePage, 0, text.c_str(), units, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return 0;
  char* bytes = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(size) + 1));
  if (!bytes) return 0;
  int result = 0;
  if (WideCharToMultiByte(file.codePage, 0, text.c_str(), units, bytes, size, nullptr, nullptr) == size) {
    const DWORD count = static_cast<DWORD>(size - 1);  // the zero stays out of the file
    result = static_cast<int>(file.buffer ? WriteBuffered(file, bytes, count)
                                          : WriteAtOnce(file, bytes, count));
  }
  HeapFree(GetProcessHeap(), 0, bytes);
  return result;
}

}  // namespace

int RemoveFile(const std::wstring& name) {
  if (name.empty()) return 0;
  return DeleteFileW(name.c_str()) ? 1 : 0;
}

int OpenOrCreateFile(int number, const std::wstring& name) {
  if (number < 0) return 0;
  CloseNumberedFile(number);
  try {
    if (static_cast<size_t>(number) >= files.size()) files.resize(static_cast<size_t>(number) + 1);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  // An existing file is opened as it is, not truncated: its old bytes beyond the new
  // content are cut off when it is closed.
  const HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return 0;
  FileRecord& record = files[static_cast<size_t>(number)];
  record = FileRecord();
  record.open = true;
  record.handle = handle;
  record.buffer = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, FileBufferSize));
  return 1;
}

int WriteTextLine(int number, const std::wstring& text) {
  FileRecord* file = OpenFileRecord(number);
  if (!file) return 0;
  WriteText(*file, text);
  return WriteText(*file, L"\r\n");
}

void CloseNumberedFile(int number) {
  FileRecord* file = OpenFileRecord(number);
  if (!file) return;
  if (file->buffer) {
    FlushBuffer(*file);
    HeapFree(GetProcessHeap(), 0, file->buffer);
  }
  // The file holds exactly what was written since the open: the tail of an older, longer
  // content (a file that could be rewritten but not deleted) would follow the new line.
  SetEndOfFile(file->handle);
  CloseHandle(file->handle);
  *file = FileRecord();
}

void CloseAllNumberedFiles() {
  for (size_t number = 0; number < files.size(); ++number) CloseNumberedFile(static_cast<int>(number));
}
