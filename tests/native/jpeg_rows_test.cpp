// The JPEG side of the banner, on pictures that the tests encode themselves with libjpeg's
// compressor, and on the banner carried by the installer.
#include "ui/jpeg_rows.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "ui/banner_data.h"

namespace {

using Bytes = std::vector<unsigned char>;
using PixelSource = std::function<void(int x, int y, unsigned char* samples)>;

constexpr unsigned char Untouched = 0xA5;

struct Fixture {
  int width;
  int height;
  int components;
  J_COLOR_SPACE input;   // what the samples handed to the compressor are
  J_COLOR_SPACE stored;  // what the stream carries
};

// A baseline stream at quality 100 without chroma subsampling, so that flat 8 x 8 areas come
// back within a few levels of what went in.
Bytes EncodeJpeg(const Fixture& f, const PixelSource& pixel) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long outLength = 0;
  jpeg_mem_dest(&info, &out, &outLength);
  info.image_width = static_cast<JDIMENSION>(f.width);
  info.image_height = static_cast<JDIMENSION>(f.height);
  info.input_components = f.components;
  info.in_color_space = f.input;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, f.stored);
  jpeg_set_quality(&info, 100, TRUE);
  for (int c = 0; c < info.num_components; ++c) {
    info.comp_info[c].h_samp_factor = 1;
    info.comp_info[c].v_samp_factor = 1;
  }
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(static_cast<std::size_t>(f.width * f.components));
  for (int y = 0; y < f.height; ++y) {
    for (int x = 0; x < f.width; ++x) pixel(x, y, &row[static_cast<std::size_t>(x * f.components)]);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes bytes(out, out + outLength);
  std::free(out);
  return bytes;
}

// A rendering of the decode: the bitmap memory that the image service would have made,
// filled with a marker before the decode so that bytes never written show.
struct Decoded {
  JpegOutcome outcome = JpegOutcome::Declined;
  int targetRequests = 0;
  int width = 0;
  int height = 0;
  std::size_t stride = 0;
  Bytes bits;
  bool refuseTarget = false;

  const unsigned char* Pixel(int x, int rowInMemory) const {
    return &bits[static_cast<std::size_t>(rowInMemory) * stride + static_cast<std::size_t>(x) * 3];
  }
};

JpegRowTarget ProvideBuffer(void* context, int width, int height) {
  auto* d = static_cast<Decoded*>(context);
  ++d->targetRequests;
  d->width = width;
  d->height = height;
  if (d->refuseTarget) return JpegRowTarget{};
  d->stride = BitmapRowStride(width);
  d->bits.assign(d->stride * static_cast<std::size_t>(height), Untouched);
  return JpegRowTarget{d->bits.data(), d->stride};
}

Decoded Decode(const Bytes& bytes, bool refuseTarget = false) {
  Decoded d;
  d.refuseTarget = refuseTarget;
  d.outcome = DecodeJpegRows(bytes.data(), bytes.size(), ProvideBuffer, &d);
  return d;
}

void ExpectBgrNear(const unsigned char* bgr, int red, int green, int blue, int tolerance) {
  EXPECT_NEAR(bgr[0], blue, tolerance) << "blue";
  EXPECT_NEAR(bgr[1], green, tolerance) << "green";
  EXPECT_NEAR(bgr[2], red, tolerance) << "red";
}

void ExpectPaddingUntouched(const Decoded& d) {
  const std::size_t used = static_cast<std::size_t>(d.width) * 3;
  for (int row = 0; row < d.height; ++row)
    for (std::size_t i = used; i < d.stride; ++i)
      ASSERT_EQ(d.bits[static_cast<std::size_t>(row) * d.stride + i], Untouched) << "row " << row;
}

// 13 x 16, four flat quarters split at x = 8 and y = 8: rows of 39 bytes padded to 40.
constexpr int QuarterWidth = 13;
constexpr int QuarterHeight = 16;
struct Rgb {
  int r, g, b;
};
constexpr Rgb TopLeft{220, 30, 30}, TopRight{30, 200, 40}, BottomLeft{20, 40, 210}, BottomRight{240, 230, 60};

Rgb QuarterColour(int x, int y) {
  if (y < 8) return x < 8 ? TopLeft : TopRight;
  return x < 8 ? BottomLeft : BottomRight;
}

Bytes QuartersJpeg() {
  return EncodeJpeg({QuarterWidth, QuarterHeight, 3, JCS_RGB, JCS_YCbCr}, [](int x, int y, unsigned char* s) {
    const Rgb c = QuarterColour(x, y);
    s[0] = static_cast<unsigned char>(c.r);
    s[1] = static_cast<unsigned char>(c.g);
    s[2] = static_cast<unsigned char>(c.b);
  });
}

Bytes FlatGreyJpeg(int width, int height) {
  return EncodeJpeg({width, height, 1, JCS_GRAYSCALE, JCS_GRAYSCALE},
                    [](int, int, unsigned char* s) { s[0] = 128; });
}

// Offset of the first marker segment of the given type, or npos.
std::size_t FindMarker(const Bytes& bytes, unsigned char type) {
  std::size_t at = 2;
  while (at + 4 <= bytes.size() && bytes[at] == 0xFF) {
    if (bytes[at + 1] == type) return at;
    if (bytes[at + 1] == 0xDA) break;
    at += 2 + (static_cast<std::size_t>(bytes[at + 2]) << 8 | bytes[at + 3]);
  }
  return std::string::npos;
}

TEST(JpegRows, ColourPictureComesOutBgrBottomUpWithPaddingLeftAlone) {
  const Decoded d = Decode(QuartersJpeg());
  ASSERT_EQ(d.outcome, JpegOutcome::Decoded);
  EXPECT_EQ(d.targetRequests, 1);
  EXPECT_EQ(d.width, QuarterWidth);
  EXPECT_EQ(d.height, QuarterHeight);
  EXPECT_EQ(d.stride, 40u);

  struct Probe {
    const char* name;
    int x;
    int rowInMemory;
    Rgb expected;
  } probes[] = {
      {"first bytes: bottom-left pixel", 0, 0, BottomLeft},
      {"bottom row, right", QuarterWidth - 1, 0, BottomRight},
      {"last row in memory: top-left pixel", 0, QuarterHeight - 1, TopLeft},
      {"top row, right", QuarterWidth - 1, QuarterHeight - 1, TopRight},
      {"middle of the top-left quarter", 3, QuarterHeight - 1 - 3, TopLeft},
  };
  for (const Probe& p : probes) {
    SCOPED_TRACE(p.name);
    ExpectBgrNear(d.Pixel(p.x, p.rowInMemory), p.expected.r, p.expected.g, p.expected.b, 6);
  }
  ExpectPaddingUntouched(d);
}

TEST(JpegRows, GreyscaleGivesEqualBlueGreenRed) {
  const Bytes jpeg = EncodeJpeg({10, 9, 1, JCS_GRAYSCALE, JCS_GRAYSCALE},
                                [](int x, int y, unsigned char* s) { s[0] = static_cast<unsigned char>(20 * x + y); });
  const Decoded d = Decode(jpeg);
  ASSERT_EQ(d.outcome, JpegOutcome::Decoded);
  ASSERT_EQ(d.stride, 32u);
  for (int row = 0; row < d.height; ++row)
    for (int x = 0; x < d.width; ++x) {
      const unsigned char* p = d.Pixel(x, row);
      ASSERT_EQ(p[0], p[1]) << x << "," << row;
      ASSERT_EQ(p[1], p[2]) << x << "," << row;
    }
  // Bottom row in memory first: picture row 8.
  EXPECT_NEAR(d.Pixel(0, 0)[0], 8, 4);
  EXPECT_NEAR(d.Pixel(9, d.height - 1)[0], 180, 4);
  ExpectPaddingUntouched(d);
}

// Four components as libjpeg delivers them (no Adobe inversion is applied either way): K
// scales C, M and Y, which become red, green and blue.
TEST(JpegRows, FourComponentPicturesAreScaledByK) {
  struct Case {
    const char* name;
    J_COLOR_SPACE stored;
    unsigned char k;
    Rgb expected;
  } cases[] = {
      {"CMYK, K = 255", JCS_CMYK, 255, {200, 100, 50}},
      {"CMYK, K = 0", JCS_CMYK, 0, {0, 0, 0}},
      {"YCCK, K = 255", JCS_YCCK, 255, {200, 100, 50}},
      {"YCCK, K = 0", JCS_YCCK, 0, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const unsigned char k = c.k;
    const Bytes jpeg = EncodeJpeg({8, 8, 4, JCS_CMYK, c.stored}, [k](int, int, unsigned char* s) {
      s[0] = 200;
      s[1] = 100;
      s[2] = 50;
      s[3] = k;
    });
    const Decoded d = Decode(jpeg);
    ASSERT_EQ(d.outcome, JpegOutcome::Decoded);
    ExpectBgrNear(d.Pixel(0, 0), c.expected.r, c.expected.g, c.expected.b, 3);
    ExpectBgrNear(d.Pixel(7, 7), c.expected.r, c.expected.g, c.expected.b, 3);
  }
}

TEST(JpegRows, DataThatIsNotAPictureWeShowIsDeclinedBeforeAnyTarget) {
  const Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0x0D, 'I', 'H', 'D', 'R'};
  const Bytes twoComponents = EncodeJpeg({8, 8, 2, JCS_UNKNOWN, JCS_UNKNOWN}, [](int, int, unsigned char* s) {
    s[0] = 10;
    s[1] = 20;
  });
  // The compressor writes at most four components: three more are added to a frame header of
  // two (the decoder stops before it would miss them in the scan).
  Bytes fiveComponents = twoComponents;
  const std::size_t frame = FindMarker(fiveComponents, 0xC0);
  ASSERT_NE(frame, std::string::npos);
  fiveComponents[frame + 3] = static_cast<unsigned char>(fiveComponents[frame + 3] + 9);
  fiveComponents[frame + 9] = 5;
  const unsigned char moreComponents[] = {3, 0x11, 0, 4, 0x11, 0, 5, 0x11, 0};
  fiveComponents.insert(fiveComponents.begin() + static_cast<long>(frame + 10 + 2 * 3), std::begin(moreComponents),
                        std::end(moreComponents));
  // A header that claims a width beyond what the image table can hold.
  Bytes tooWide = FlatGreyJpeg(8, 8);
  const std::size_t sof = FindMarker(tooWide, 0xC0);
  ASSERT_NE(sof, std::string::npos);
  tooWide[sof + 7] = 40000 >> 8;
  tooWide[sof + 8] = 40000 & 0xFF;
  const Bytes grey = FlatGreyJpeg(8, 8);
  const Bytes headerOnly(grey.begin(), grey.begin() + static_cast<long>(FindMarker(grey, 0xDA)));
  Bytes twelveBit = grey;
  twelveBit[FindMarker(twelveBit, 0xC0) + 4] = 12;

  struct Case {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"PNG signature", png},
      {"empty", {}},
      {"start-of-image byte alone", {0xFF}},
      {"start-of-image marker alone", {0xFF, 0xD8}},
      {"two components", twoComponents},
      {"five components", fiveComponents},
      {"width 40000", tooWide},
      {"stream cut before its scan", headerOnly},
      {"12-bit samples", twelveBit},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Decoded d = Decode(c.bytes);
    EXPECT_EQ(d.outcome, JpegOutcome::Declined);
    EXPECT_EQ(d.targetRequests, 0);
  }
  EXPECT_EQ(DecodeJpegRows(nullptr, 10, ProvideBuffer, nullptr), JpegOutcome::Declined);
}

TEST(JpegRows, StreamCutInsideItsScanIsCompletedByLibjpeg) {
  const Bytes whole = QuartersJpeg();
  const std::size_t scan = FindMarker(whole, 0xDA);
  ASSERT_NE(scan, std::string::npos);
  const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(scan + 14 + 20));
  const Decoded d = Decode(cut);
  EXPECT_EQ(d.outcome, JpegOutcome::Decoded);
  EXPECT_EQ(d.width, QuarterWidth);
  ExpectPaddingUntouched(d);
}

// Faults that come after the picture was accepted: the decode fails (and, under the sanitizers,
// leaks nothing).
TEST(JpegRows, FatalFaultsAfterAcceptanceFail) {
  const Bytes whole = QuartersJpeg();
  // A second frame header after the scan: libjpeg meets it only while finishing, after every
  // row has been written.
  const std::size_t sof = FindMarker(whole, 0xC0);
  ASSERT_NE(sof, std::string::npos);
  const std::size_t sofLength = 2 + (static_cast<std::size_t>(whole[sof + 2]) << 8 | whole[sof + 3]);
  Bytes secondFrame(whole.begin(), whole.end() - 2);
  secondFrame.insert(secondFrame.end(), whole.begin() + static_cast<long>(sof),
                     whole.begin() + static_cast<long>(sof + sofLength));
  secondFrame.push_back(0xFF);
  secondFrame.push_back(0xD9);

  const Decoded afterLastRow = Decode(secondFrame);
  EXPECT_EQ(afterLastRow.outcome, JpegOutcome::Failed);
  EXPECT_EQ(afterLastRow.targetRequests, 1);

  const Decoded refused = Decode(whole, /*refuseTarget=*/true);
  EXPECT_EQ(refused.outcome, JpegOutcome::Failed);
  EXPECT_EQ(refused.targetRequests, 1);
}

TEST(JpegRows, CarriedBannerIs614By237WithItsNavyCorner) {
  const Bytes banner(BannerJpeg, BannerJpeg + BannerJpegLength);
  const Decoded d = Decode(banner);
  ASSERT_EQ(d.outcome, JpegOutcome::Decoded);
  EXPECT_EQ(d.width, 614);
  EXPECT_EQ(d.height, 237);
  EXPECT_EQ(d.stride, 1844u);
  // The banner's ground runs from navy (18, 41, 75) on the left to teal on the right.
  ExpectBgrNear(d.Pixel(0, 0), 18, 41, 75, 6);
  ExpectBgrNear(d.Pixel(0, d.height - 1), 18, 41, 75, 6);
  ExpectBgrNear(d.Pixel(613, d.height - 1), 44, 130, 157, 8);
  ExpectPaddingUntouched(d);
}

}  // namespace
