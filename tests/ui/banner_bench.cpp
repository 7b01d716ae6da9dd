// Prints how long decoding the carried banner takes: the only decode of a run, at start-up,
// before the window can be laid out. Figures only; not a test.
#include <windows.h>

#include <cstdio>

#include "ui/banner_data.h"
#include "ui/images.h"

int wmain() {
  RegisterJpegDecoder();
  LARGE_INTEGER frequency{}, start{}, end{};
  QueryPerformanceFrequency(&frequency);
  // The first decode pays for the bitmap machinery's own start-up: report it apart.
  QueryPerformanceCounter(&start);
  const bool decoded = DecodeImage(1, BannerJpeg, BannerJpegLength) != nullptr;
  QueryPerformanceCounter(&end);
  const double firstMs = 1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart;
  const int rounds = 200;
  QueryPerformanceCounter(&start);
  for (int i = 0; i < rounds; ++i) DecodeImage(1, BannerJpeg, BannerJpegLength);
  QueryPerformanceCounter(&end);
  const double eachMs = 1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart / rounds;
  std::printf("decoded=%d width=%d height=%d first_ms=%.3f each_ms=%.3f\n", decoded ? 1 : 0,
              GetImageWidth(1), GetImageHeight(1), firstMs, eachMs);
  ReleaseAllImages();
  return decoded ? 0 : 1;
}
