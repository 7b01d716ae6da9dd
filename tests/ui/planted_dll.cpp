// A DLL an attacker would drop beside the installer under the name of a system DLL. Loaded,
// it leaves a marker file in the current directory and exports PlantedMarker.
#include <windows.h>

extern "C" __declspec(dllexport) int PlantedMarker() { return 42; }

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    HANDLE marker = CreateFileW(L"planted-dll-was-loaded.txt", GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  }
  return TRUE;
}
