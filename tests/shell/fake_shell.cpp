// A stand-in for the shell library's two picker entry points, so that the picker's request and
// results can be checked without a dialog. Built three times: with both entry points, and with
// one of them missing.
//
// An "item" here is a CoTaskMemAlloc'd copy of the path it stands for; an empty path stands
// for an item of the shell that has no file-system path.
#include <windows.h>
#include <shlobj.h>

extern "C" {

using FakeBrowseHandler = PIDLIST_ABSOLUTE (*)(BROWSEINFOW* request);

static FakeBrowseHandler browseHandler = nullptr;

void SetFakeBrowseHandler(FakeBrowseHandler handler) { browseHandler = handler; }

// Leaves a mark in the process, so that a test can tell whether the picker was opened even
// when it never loaded this library itself.
PIDLIST_ABSOLUTE WINAPI FakeBrowseForFolder(BROWSEINFOW* request) {
  SetEnvironmentVariableW(L"TOVALU_FAKE_PICKER_OPENED", L"1");
  return browseHandler ? browseHandler(request) : nullptr;
}

BOOL WINAPI FakeGetPathFromIDList(PCIDLIST_ABSOLUTE item, LPWSTR path) {
  const wchar_t* text = reinterpret_cast<const wchar_t*>(item);
  if (!item || !text[0]) return FALSE;  // like the real one: no path, buffer left alone
  lstrcpynW(path, text, MAX_PATH);
  return TRUE;
}

}  // extern "C"
