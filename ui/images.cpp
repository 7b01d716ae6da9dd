// The image service: numbered decoded pictures, each a DIB section owned by the table until
// program end. Image 1 is the banner, decoded once at start-up.
#include "ui/images.h"

#include <cstdint>
#include <cstring>

#include "ui/jpeg_rows.h"

namespace {

struct ImageEntry {
  HBITMAP bitmap;  // the entry exists only while this is non-null
  std::int16_t width;
  std::int16_t height;
  std::uint8_t depth;
};

struct DecodedImage {
  HBITMAP bitmap;
  int width;
  int height;
  int depth;
};

enum class ReadResult { Declined, Failed, Read };
using ImageReader = ReadResult (*)(const unsigned char* data, std::size_t length, DecodedImage* image);

constexpr int ImageLimit = 16;
constexpr int ReaderLimit = 2;

ImageEntry images[ImageLimit];

ReadResult ReadBitmapFile(const unsigned char* data, std::size_t length, DecodedImage* image);
ReadResult ReadJpeg(const unsigned char* data, std::size_t length, DecodedImage* image);

// Asked in this order. The bitmap-file reader is there from the start; RegisterJpegDecoder
// appends the JPEG one. This installer carries no icons, so icon directories (which would be
// tried before these) are not read and fall through to readers that decline them.
ImageReader readers[ReaderLimit] = {ReadBitmapFile};
int readerCount = 1;
bool jpegRegistered = false;

bool IsImageNumber(int number) { return number >= 0 && number < ImageLimit; }

void ReleaseImage(int number) {
  if (images[number].bitmap != nullptr) DeleteObject(images[number].bitmap);
  images[number] = ImageEntry{};
}

std::uint16_t ReadU16(const unsigned char* at) { return static_cast<std::uint16_t>(at[0] | at[1] << 8); }

std::uint32_t ReadU32(const unsigned char* at) {
  return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
         static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// ---- Bitmap files ("BM"): uncompressed pictures of 1, 4, 8, 24 or 32 bits per pixel.

constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t InfoHeaderSize = sizeof(BITMAPINFOHEADER);

struct BitmapFileInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colors[256];
};

bool IsBitmapFile(const unsigned char* data, std::size_t length) {
  return length >= FileHeaderSize + InfoHeaderSize && data[0] == 'B' && data[1] == 'M' &&
         ReadU16(data + 6) == 0 && ReadU16(data + 8) == 0;
}

// Checks the header against the bytes present and fills info. false: not a picture we read.
bool ReadBitmapFileHeader(const unsigned char* data, std::size_t length, BitmapFileInfo* info,
                          std::size_t* pixelOffset, std::size_t* pixelBytes) {
  const unsigned char* header = data + FileHeaderSize;
  const std::size_t headerSize = ReadU32(header);
  if (headerSize < InfoHeaderSize || headerSize > length - FileHeaderSize) return false;
  const std::int32_t width = static_cast<std::int32_t>(ReadU32(header + 4));
  const std::int32_t height = static_cast<std::int32_t>(ReadU32(header + 8));
  const int bitCount = ReadU16(header + 14);
  if (ReadU16(header + 12) != 1 || ReadU32(header + 16) != BI_RGB) return false;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) return false;
  if (width < 1 || width > JpegSizeLimit || height == 0 || height < -JpegSizeLimit || height > JpegSizeLimit)
    return false;

  const std::size_t colorLimit = bitCount <= 8 ? std::size_t{1} << bitCount : 0;
  std::size_t colorCount = ReadU32(header + 32);
  if (colorCount == 0) colorCount = colorLimit;
  if (colorCount > colorLimit) return false;
  const std::size_t colorOffset = FileHeaderSize + headerSize;
  if (colorCount * sizeof(RGBQUAD) > length - colorOffset) return false;

  const std::size_t stride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
  const std::size_t rows = static_cast<std::size_t>(height < 0 ? -height : height);
  *pixelOffset = ReadU32(data + 10);
  *pixelBytes = stride * rows;
  if (*pixelOffset > length || *pixelBytes > length - *pixelOffset) return false;

  info->header = BITMAPINFOHEADER{};
  info->header.biSize = InfoHeaderSize;
  info->header.biWidth = width;
  info->header.biHeight = height;
  info->header.biPlanes = 1;
  info->header.biBitCount = static_cast<WORD>(bitCount);
  info->header.biCompression = BI_RGB;
  info->header.biClrUsed = static_cast<DWORD>(colorCount);
  std::memcpy(info->colors, data + colorOffset, colorCount * sizeof(RGBQUAD));
  return true;
}

ReadResult ReadBitmapFile(const unsigned char* data, std::size_t length, DecodedImage* image) {
  if (!IsBitmapFile(data, length)) return ReadResult::Declined;
  BitmapFileInfo info;
  std::size_t pixelOffset = 0;
  std::size_t pixelBytes = 0;
  if (!ReadBitmapFileHeader(data, length, &info, &pixelOffset, &pixelBytes)) return ReadResult::Declined;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  if (bitmap == nullptr) return ReadResult::Failed;
  std::memcpy(bits, data + pixelOffset, pixelBytes);
  const LONG height = info.header.biHeight;
  *image = DecodedImage{bitmap, info.header.biWidth, height < 0 ? -height : height, info.header.biBitCount};
  return ReadResult::Read;
}

// ---- JPEG: libjpeg's rows written straight into a 24-bit bottom-up DIB section.

// What the JPEG reader made while libjpeg ran; released by ReadJpeg whatever the outcome.
struct JpegBitmap {
  HDC dc;
  HBITMAP bitmap;
  int width;
  int height;
};

BITMAPINFOHEADER JpegBitmapHeader(int width, int height) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;  // positive: rows bottom-up, so the picture shows upright
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  return header;
}

// Called by the JPEG side once the output size is known.
JpegRowTarget CreateJpegBitmap(void* context, int width, int height) {
  auto* made = static_cast<JpegBitmap*>(context);
  made->dc = CreateCompatibleDC(nullptr);
  if (made->dc == nullptr) return JpegRowTarget{};
  BITMAPINFO info{};
  info.bmiHeader = JpegBitmapHeader(width, height);
  void* bits = nullptr;
  made->bitmap = CreateDIBSection(made->dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (made->bitmap == nullptr) return JpegRowTarget{};
  DIBSECTION section{};
  if (GetObjectW(made->bitmap, sizeof section, &section) < static_cast<int>(sizeof section)) return JpegRowTarget{};
  // The rows are written where and as the bitmap says it lays them out.
  const BITMAP& laidOut = section.dsBm;
  if (laidOut.bmBits == nullptr || laidOut.bmWidth != width || laidOut.bmHeight != height ||
      laidOut.bmBitsPixel != 24)
    return JpegRowTarget{};
  made->width = width;
  made->height = height;
  const std::size_t stride = (static_cast<std::size_t>(laidOut.bmWidth) * laidOut.bmBitsPixel + 31) / 32 * 4;
  return JpegRowTarget{static_cast<unsigned char*>(laidOut.bmBits), stride};
}

ReadResult ReadJpeg(const unsigned char* data, std::size_t length, DecodedImage* image) {
  JpegBitmap made{};
  const JpegOutcome outcome = DecodeJpegRows(data, length, CreateJpegBitmap, &made);
  if (made.dc != nullptr) DeleteDC(made.dc);
  if (outcome != JpegOutcome::Decoded) {
    if (made.bitmap != nullptr) DeleteObject(made.bitmap);
    return outcome == JpegOutcome::Declined ? ReadResult::Declined : ReadResult::Failed;
  }
  *image = DecodedImage{made.bitmap, made.width, made.height, 24};
  return ReadResult::Read;
}

// The first reader that accepts the data decides; one that accepts and then fails ends it.
bool ReadWithFirstAcceptingReader(const unsigned char* data, std::size_t length, DecodedImage* image) {
  for (int i = 0; i < readerCount; ++i) {
    const ReadResult result = readers[i](data, length, image);
    if (result != ReadResult::Declined) return result == ReadResult::Read;
  }
  return false;
}

}  // namespace

int RegisterJpegDecoder() {
  if (!jpegRegistered && readerCount < ReaderLimit) {
    readers[readerCount++] = ReadJpeg;
    jpegRegistered = true;
  }
  return 1;
}

HBITMAP DecodeImage(int number, const unsigned char* data, std::size_t length) {
  if (!IsImageNumber(number)) return nullptr;
  ReleaseImage(number);
  if (data == nullptr) return nullptr;
  DecodedImage image{};
  if (!ReadWithFirstAcceptingReader(data, length, &image)) return nullptr;
  images[number] = ImageEntry{image.bitmap, static_cast<std::int16_t>(image.width),
                              static_cast<std::int16_t>(image.height), static_cast<std::uint8_t>(image.depth)};
  return image.bitmap;
}

int GetImageWidth(int number) { return IsImageNumber(number) ? images[number].width : 0; }

int GetImageHeight(int number) { return IsImageNumber(number) ? images[number].height : 0; }

HBITMAP GetImageBitmap(int number) { return IsImageNumber(number) ? images[number].bitmap : nullptr; }

void ReleaseAllImages() {
  for (int number = 0; number < ImageLimit; ++number) ReleaseImage(number);
}
