// The banner decoder on arbitrary bytes: whatever the stream, it declines, fails or decodes
// without reading past the data or writing past the rows it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ui/jpeg_rows.h"

namespace {

struct Rows {
  std::vector<unsigned char> bits;
  int width = 0;
  int height = 0;
};

JpegRowTarget ProvideRows(void* context, int width, int height) {
  Rows& rows = *static_cast<Rows*>(context);
  if (width <= 0 || height <= 0 || width > JpegSizeLimit || height > JpegSizeLimit) std::abort();
  // Keep the fuzzer's memory bounded: refuse what a banner would never be.
  if (static_cast<std::size_t>(width) * height > (1u << 22)) return {nullptr, 0};
  rows.width = width;
  rows.height = height;
  rows.bits.assign(BitmapRowStride(width) * height, 0);
  return {rows.bits.data(), BitmapRowStride(width)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exact-size copy, so ASan sees any read beyond the given length.
  std::vector<unsigned char> input(data, data + size);
  Rows rows;
  const JpegOutcome outcome = DecodeJpegRows(input.data(), input.size(), ProvideRows, &rows);
  if (outcome == JpegOutcome::Decoded && rows.bits.empty()) std::abort();
  return 0;
}
