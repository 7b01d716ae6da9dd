// JPEG decoding into the rows of a 24-bit bottom-up bitmap (blue, green, red per pixel).
// Free of Win32: the image service creates the bitmap once the picture's size is known,
// and this side drives libjpeg and writes the rows into the bitmap's memory.
#pragma once

#include <cstddef>

// Where the decoded rows go: the first byte of the bitmap's memory (its bottom row) and the
// distance in bytes from one row to the next.
struct JpegRowTarget {
  unsigned char* bits;
  std::size_t stride;
};

// Called once, after the header has been read and decoding has started, with the output size.
// Returns the rows to fill; bits null stops the decode as failed.
using JpegTargetProvider = JpegRowTarget (*)(void* context, int width, int height);

enum class JpegOutcome {
  Declined,  // not JPEG data, or not a picture we can decode: nothing was produced
  Failed,    // accepted, but a fatal fault came after the target had been asked for
  Decoded,   // every row written and the stream finished
};

// The widest and tallest picture we decode: the image table keeps signed 16-bit sizes.
constexpr int JpegSizeLimit = 32767;

// Bytes per bitmap row for width pixels of 24 bits: 3 * width rounded up to 4.
constexpr std::size_t BitmapRowStride(int width) {
  return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
}

// Decodes the length bytes at data (never reading beyond them) into the target that provide
// hands out. Data that does not begin with FF D8 is declined without touching libjpeg.
// Everything libjpeg allocated is released whatever the outcome.
JpegOutcome DecodeJpegRows(const unsigned char* data, std::size_t length, JpegTargetProvider provide,
                           void* context);
