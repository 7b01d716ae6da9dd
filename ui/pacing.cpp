// Pacing of the install sequence on Windows: millisecond sleeps and the progress bar's
// random steps.
#include "core/pacing.h"

#include <windows.h>

#include <random>

namespace {

bool timerIsFine = false;

// winmm.dll is not among the DLLs Windows always takes from the system folder, so it is not
// imported: an imported one planted beside the installer would be loaded before our first line
// runs. Loaded here, after start-up has restricted the search, it comes from the system folder.
void AskForOneMillisecondTimer() {
  HMODULE winmm = LoadLibraryW(L"winmm.dll");
  if (!winmm) return;
  using TimeBeginPeriodFn = UINT(WINAPI*)(UINT);
  const auto beginPeriod = reinterpret_cast<TimeBeginPeriodFn>(
      reinterpret_cast<void*>(GetProcAddress(winmm, "timeBeginPeriod")));
  // The library stays loaded: the period lasts as long as the process.
  if (beginPeriod) beginPeriod(1);
}

std::mt19937& RandomEngine() {
  // random_device alone has been a fixed sequence in some MinGW runtimes: the clock and the
  // process id make sure two runs never step the bar alike.
  static std::mt19937 engine = [] {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    std::random_device device;
    std::seed_seq seed{device(), device(), static_cast<unsigned>(counter.LowPart),
                       static_cast<unsigned>(counter.HighPart),
                       static_cast<unsigned>(GetTickCount64()),
                       static_cast<unsigned>(GetCurrentProcessId())};
    return std::mt19937(seed);
  }();
  return engine;
}

}  // namespace

void PauseMilliseconds(int milliseconds) {
  // The default 15.6 ms timer would stretch the 300 ms steps unevenly; the finer period
  // stays for the rest of the run, as the pauses come in a burst.
  if (!timerIsFine) {
    AskForOneMillisecondTimer();
    timerIsFine = true;
  }
  // A negative wait would become an endless one once converted to Sleep's unsigned count.
  Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0);
}

int RandomWholeNumber(int maximum) {
  if (maximum <= 0) return 0;
  std::uniform_int_distribution<int> draw(0, maximum);
  return draw(RandomEngine());
}
