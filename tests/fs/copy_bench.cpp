// Times one way of copying a folder tree, for scripts/bench-copy.sh:
//
//   fs_copy_bench tree SOURCE DESTINATION    CopyDirectoryTree, as the installer calls it
//   fs_copy_bench loop SOURCE DESTINATION    a bare recursive CopyFileW walk: the floor
//   fs_copy_bench xcopy SOURCE DESTINATION   the system's xcopy /E /I /Y /H, as a child
//
// Prints one line: mode, result, milliseconds, and peak memory of the copying process in KB
// (working set and private bytes; for xcopy, the child's).
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "fs/tree_copy.h"

namespace {

struct Memory {
  unsigned long long peakWorkingSetKb = 0;
  unsigned long long peakPrivateKb = 0;
};

Memory PeakMemory(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  Memory memory;
  if (GetProcessMemoryInfo(process, &counters, sizeof counters)) {
    memory.peakWorkingSetKb = counters.PeakWorkingSetSize / 1024;
    memory.peakPrivateKb = counters.PeakPagefileUsage / 1024;
  }
  return memory;
}

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// The least the platform needs to copy a tree: list, create each folder, copy each file.
bool CopyLoop(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW((from + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  do {
    if (IsDotEntry(entry.cFileName)) continue;
    const std::wstring source = from + L'\\' + entry.cFileName;
    const std::wstring target = to + L'\\' + entry.cFileName;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ok = CopyLoop(source, target) && ok;
    } else {
      ok = CopyFileW(source.c_str(), target.c_str(), FALSE) && ok;
    }
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return ok;
}

int RunXcopy(const std::wstring& from, const std::wstring& to, Memory& memory) {
  std::wstring command = L"xcopy.exe /E /I /Y /H \"" + from + L"\" \"" + to + L"\"";
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  const HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                 nullptr);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;  // its list of file names would be timed too
  startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
  PROCESS_INFORMATION child = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &child)) {
    CloseHandle(nul);
    return 0;
  }
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(child.hProcess, &code);
  memory = PeakMemory(child.hProcess);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  CloseHandle(nul);
  return code == 0 ? 1 : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    fwprintf(stderr, L"usage: fs_copy_bench tree|loop|xcopy SOURCE DESTINATION\n");
    return 2;
  }
  const std::wstring mode = argv[1];
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  Memory memory;
  int result = 0;
  if (mode == L"tree") {
    result = CopyDirectoryTree(argv[2], argv[3], L"", CopyRecursive | CopyForce);
  } else if (mode == L"loop") {
    result = CopyLoop(argv[2], argv[3]) ? 1 : 0;
  } else if (mode == L"xcopy") {
    result = RunXcopy(argv[2], argv[3], memory);
  } else {
    fwprintf(stderr, L"unknown mode %ls\n", argv[1]);
    return 2;
  }
  QueryPerformanceCounter(&end);
  if (mode != L"xcopy") memory = PeakMemory(GetCurrentProcess());
  const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                    static_cast<double>(frequency.QuadPart);
  wprintf(L"mode=%ls result=%d ms=%.1f peak_ws_kb=%llu peak_private_kb=%llu\n", mode.c_str(),
          result, ms, memory.peakWorkingSetKb, memory.peakPrivateKb);
  return result ? 0 : 1;
}
