// The image service under Wine: the carried banner as a DIB section, the order in which
// readers are asked, and what a number holds after a failed decode.
#include "ui/images.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "ui/banner_data.h"
#include "ui/jpeg_rows.h"

namespace {

using Bytes = std::vector<unsigned char>;

const Bytes PngBytes = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0x0D, 'I', 'H', 'D', 'R',
                        0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 0, 0, 0};

Bytes BannerBytes() { return Bytes(BannerJpeg, BannerJpeg + BannerJpegLength); }

// The banner with a second frame header just before its end: libjpeg meets it only while
// finishing, after every row has been written into the bitmap.
Bytes BannerFailingAtItsEnd() {
  Bytes bytes = BannerBytes();
  std::size_t at = 2;
  while (bytes[at + 1] != 0xC0) at += 2 + (static_cast<std::size_t>(bytes[at + 2]) << 8 | bytes[at + 3]);
  const std::size_t length = 2 + (static_cast<std::size_t>(bytes[at + 2]) << 8 | bytes[at + 3]);
  const Bytes frame(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + length));
  bytes.insert(bytes.end() - 2, frame.begin(), frame.end());
  return bytes;
}

void Put16(Bytes& b, std::size_t at, unsigned v) {
  b[at] = static_cast<unsigned char>(v);
  b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
}

// A 3 x 2 bitmap file of 24 bits: rows of 9 bytes padded to 12, bottom row first.
Bytes SmallBitmapFile() {
  Bytes b(14 + 40 + 24, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  Put32(b, 10, 54);
  Put32(b, 14, 40);
  Put32(b, 18, 3);
  Put32(b, 22, 2);
  Put16(b, 26, 1);
  Put16(b, 28, 24);
  for (std::size_t i = 0; i < 24; ++i) b[54 + i] = static_cast<unsigned char>(10 + i);
  return b;
}

DIBSECTION SectionOf(HBITMAP bitmap) {
  DIBSECTION section;
  std::memset(&section, 0xCC, sizeof section);
  EXPECT_EQ(GetObjectW(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
  return section;
}

void ExpectEmpty(int number) {
  EXPECT_EQ(GetImageWidth(number), 0);
  EXPECT_EQ(GetImageHeight(number), 0);
  EXPECT_EQ(GetImageBitmap(number), nullptr);
}

// The banner decoded into a plain buffer by the same JPEG side, to compare the bitmap with.
struct PlainRows {
  int width = 0;
  int height = 0;
  Bytes bits;
};

JpegRowTarget ProvidePlainRows(void* context, int width, int height) {
  auto* rows = static_cast<PlainRows*>(context);
  rows->width = width;
  rows->height = height;
  rows->bits.assign(BitmapRowStride(width) * static_cast<std::size_t>(height), 0);
  return JpegRowTarget{rows->bits.data(), BitmapRowStride(width)};
}

class ImageService : public testing::Test {
 protected:
  void TearDown() override { ReleaseAllImages(); }
};

// Runs first (GoogleTest keeps the order of definition): JPEG data means nothing to the
// service until the decoder has been registered.
TEST_F(ImageService, JpegIsReadOnlyOnceTheDecoderIsRegistered) {
  EXPECT_EQ(DecodeImage(1, BannerJpeg, BannerJpegLength), nullptr);
  ExpectEmpty(1);
  EXPECT_NE(RegisterJpegDecoder(), 0);
  EXPECT_NE(RegisterJpegDecoder(), 0);  // a second call changes nothing
  EXPECT_NE(DecodeImage(1, BannerJpeg, BannerJpegLength), nullptr);
}

TEST_F(ImageService, BannerBecomesA614By237BottomUpDibSection) {
  RegisterJpegDecoder();
  const HBITMAP bitmap = DecodeImage(1, BannerJpeg, BannerJpegLength);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(GetImageBitmap(1), bitmap);
  EXPECT_EQ(GetImageWidth(1), 614);
  EXPECT_EQ(GetImageHeight(1), 237);

  const DIBSECTION section = SectionOf(bitmap);
  EXPECT_EQ(section.dsBm.bmWidth, 614);
  EXPECT_EQ(section.dsBm.bmHeight, 237);
  EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
  EXPECT_EQ(section.dsBm.bmWidthBytes, 1844);
  EXPECT_EQ(section.dsBmih.biHeight, 237);  // positive: bottom-up
  EXPECT_EQ(section.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));
  ASSERT_NE(section.dsBm.bmBits, nullptr);

  // First bytes: the bottom-left pixel, the banner's navy (18, 41, 75) as blue, green, red.
  const auto* bits = static_cast<const unsigned char*>(section.dsBm.bmBits);
  EXPECT_NEAR(bits[0], 75, 6);
  EXPECT_NEAR(bits[1], 41, 6);
  EXPECT_NEAR(bits[2], 18, 6);

  // Every row lands where the bitmap lays it out: compare with the rows decoded into memory.
  PlainRows plain;
  ASSERT_EQ(DecodeJpegRows(BannerJpeg, BannerJpegLength, ProvidePlainRows, &plain), JpegOutcome::Decoded);
  for (int row = 0; row < 237; ++row) {
    const std::size_t at = static_cast<std::size_t>(row) * 1844;
    ASSERT_EQ(std::memcmp(bits + at, plain.bits.data() + at, 614 * 3), 0) << "row " << row << " in memory";
  }
}

TEST_F(ImageService, FailedDecodeLeavesTheNumberEmpty) {
  RegisterJpegDecoder();
  const Bytes failingAtItsEnd = BannerFailingAtItsEnd();
  const Bytes cutBeforeItsScan(BannerJpeg, BannerJpeg + 300);
  struct Case {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"PNG bytes", PngBytes},
      {"fatal fault while finishing", failingAtItsEnd},
      {"stream cut before its scan", cutBeforeItsScan},
      {"no bytes", {}},
      {"icon directory (no reader for icons here)", {0, 0, 1, 0, 1, 0, 32, 32, 0, 0, 1, 0, 8, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const HBITMAP old = DecodeImage(2, BannerJpeg, BannerJpegLength);
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(DecodeImage(2, c.bytes.data(), c.bytes.size()), nullptr);
    ExpectEmpty(2);
    EXPECT_EQ(GetObjectType(old), 0u) << "the old bitmap is released";
  }
  EXPECT_EQ(DecodeImage(3, PngBytes.data(), PngBytes.size()), nullptr);
  ExpectEmpty(3);
}

TEST_F(ImageService, NumbersThatHoldNothingAnswerZero) {
  for (int number : {0, 1, 5, 15, 16, -1, 1000}) {
    SCOPED_TRACE(number);
    ExpectEmpty(number);
  }
  RegisterJpegDecoder();
  EXPECT_EQ(DecodeImage(-1, BannerJpeg, BannerJpegLength), nullptr);
  EXPECT_EQ(DecodeImage(1000, BannerJpeg, BannerJpegLength), nullptr);
}

TEST_F(ImageService, ReleasingAllEmptiesEveryNumber) {
  RegisterJpegDecoder();
  const HBITMAP first = DecodeImage(0, BannerJpeg, BannerJpegLength);
  const HBITMAP second = DecodeImage(1, BannerJpeg, BannerJpegLength);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  ReleaseAllImages();
  ExpectEmpty(0);
  ExpectEmpty(1);
  EXPECT_EQ(GetObjectType(first), 0u);
  EXPECT_EQ(GetObjectType(second), 0u);
}

// Bitmap files are read before JPEG, as they are; odd ones are declined.
TEST_F(ImageService, BitmapFilesAreCopiedAsTheyAre) {
  const Bytes file = SmallBitmapFile();
  const HBITMAP bitmap = DecodeImage(4, file.data(), file.size());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(GetImageWidth(4), 3);
  EXPECT_EQ(GetImageHeight(4), 2);
  const DIBSECTION section = SectionOf(bitmap);
  EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
  EXPECT_EQ(std::memcmp(section.dsBm.bmBits, file.data() + 54, 24), 0);

  Bytes reserved = file;
  reserved[6] = 1;
  Bytes cut(file.begin(), file.end() - 1);
  Bytes compressed = file;
  Put32(compressed, 30, BI_RLE8);
  Bytes pixelsPastTheEnd = file;
  Put32(pixelsPastTheEnd, 10, 0xFFFFFFF0u);
  struct Case {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"reserved field set", reserved},
      {"last pixel byte missing", cut},
      {"run-length compressed", compressed},
      {"pixel offset past the end", pixelsPastTheEnd},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DecodeImage(4, c.bytes.data(), c.bytes.size()), nullptr);
    ExpectEmpty(4);
  }
}

}  // namespace
