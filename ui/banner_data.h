// The banner picture (assets/banner.jpg), carried inside the program as constant bytes made
// from that file at build time.
#pragma once

#include <cstddef>

extern const unsigned char BannerJpeg[];
extern const std::size_t BannerJpegLength;
