// The JPEG side of the banner: libjpeg driven one row at a time straight into the rows of a
// bottom-up 24-bit bitmap. Kept free of Win32 (jpeglib.h's boolean clashes with windows.h's),
// so that it is built and tested natively as well.
#include "ui/jpeg_rows.h"

#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

// libjpeg's standard error manager with a way back into the decode under way: libjpeg
// expects error_exit never to return, so it jumps back to the decoder instead.
struct ErrorTrap {
  jpeg_error_mgr manager;  // first member: libjpeg's pointer to it also points at the trap
  std::jmp_buf resume;
};

// Everything one decode allocates besides libjpeg's own pools, in one block freed at the end.
struct DecodeState {
  jpeg_decompress_struct info;
  ErrorTrap trap;
};

// jpeg_mem_src takes an unsigned long, which is 32 bits on 64-bit Windows.
constexpr unsigned long long MemorySourceLimit = ULONG_MAX;

[[noreturn]] void JumpBackToDecoder(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->resume, 1);
}

// Warnings and traces are dropped, so that libjpeg carries on after a recoverable fault
// (a truncated stream is completed by libjpeg and still gives a picture).
void DropMessage(j_common_ptr, int) {}

bool StartsLikeJpeg(const unsigned char* data, std::size_t length) {
  return data != nullptr && length >= 2 && data[0] == 0xFF && data[1] == 0xD8;
}

// The bitmap takes red, green and blue; four-component pictures are converted from CMYK by
// hand below. Returns false for a colour space we cannot show (JCS_UNKNOWN: a component count
// other than 1, 3 or 4).
bool ChooseOutputColorSpace(jpeg_decompress_struct* info) {
  switch (info->jpeg_color_space) {
    case JCS_UNKNOWN:
      return false;
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
      info->out_color_space = JCS_RGB;
      return true;
    case JCS_YCCK:
      info->out_color_space = JCS_CMYK;
      return true;
    default:
      return true;  // libjpeg's default output: JCS_RGB for RGB, JCS_CMYK for CMYK
  }
}

bool IsShowableOutput(const jpeg_decompress_struct* info) {
  if (info->output_width < 1 || info->output_width > JpegSizeLimit) return false;
  if (info->output_height < 1 || info->output_height > JpegSizeLimit) return false;
  if (info->out_color_space == JCS_RGB) return info->out_color_components == 3;
  if (info->out_color_space == JCS_CMYK) return info->out_color_components == 4;
  return false;
}

void WriteRgbRow(const JSAMPLE* samples, unsigned char* row, int width) {
  for (int x = 0; x < width; ++x, samples += 3, row += 3) {
    row[0] = samples[2];
    row[1] = samples[1];
    row[2] = samples[0];
  }
}

// K scales the three inks as libjpeg delivers them: K = 255 keeps C, M, Y as red, green and
// blue; K = 0 gives black.
void WriteCmykRow(const JSAMPLE* samples, unsigned char* row, int width) {
  for (int x = 0; x < width; ++x, samples += 4, row += 3) {
    const unsigned k = samples[3];
    row[0] = static_cast<unsigned char>(samples[2] * k / 255);
    row[1] = static_cast<unsigned char>(samples[1] * k / 255);
    row[2] = static_cast<unsigned char>(samples[0] * k / 255);
  }
}

// Reads the header and starts decompression. false: not a picture we decode.
bool StartDecode(jpeg_decompress_struct* info, const unsigned char* data, std::size_t length,
                 JSAMPARRAY* buffer) {
  jpeg_create_decompress(info);
  jpeg_mem_src(info, data, static_cast<unsigned long>(length));
  if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK) return false;
  if (!ChooseOutputColorSpace(info)) return false;
  info->dct_method = JDCT_ISLOW;
  jpeg_calc_output_dimensions(info);
  if (!IsShowableOutput(info)) return false;
  const JDIMENSION samples = (info->output_width * info->out_color_components + 3) / 4 * 4;
  *buffer = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE, samples, 1);
  return jpeg_start_decompress(info) != FALSE;
}

// Every output row, top first, lands (height - 1 - i) strides from the start of the target.
bool WriteAllRows(jpeg_decompress_struct* info, JSAMPARRAY buffer, JpegRowTarget target) {
  const int width = static_cast<int>(info->output_width);
  const int height = static_cast<int>(info->output_height);
  for (int i = 0; i < height; ++i) {
    if (jpeg_read_scanlines(info, buffer, 1) != 1) return false;
    unsigned char* row = target.bits + static_cast<std::size_t>(height - 1 - i) * target.stride;
    if (info->out_color_space == JCS_CMYK)
      WriteCmykRow(buffer[0], row, width);
    else
      WriteRgbRow(buffer[0], row, width);
  }
  return true;
}

// The decode proper. A fatal libjpeg error lands back here through the trap; nothing in this
// frame needs a destructor, so the jump skips no clean-up (the caller destroys the object).
JpegOutcome RunDecode(DecodeState* state, const unsigned char* data, std::size_t length,
                      JpegTargetProvider provide, void* context) {
  jpeg_decompress_struct* info = &state->info;
  info->err = jpeg_std_error(&state->trap.manager);
  state->trap.manager.error_exit = JumpBackToDecoder;
  state->trap.manager.emit_message = DropMessage;

  volatile JpegOutcome onFault = JpegOutcome::Declined;
  if (setjmp(state->trap.resume) != 0) return onFault;

  JSAMPARRAY buffer = nullptr;
  if (!StartDecode(info, data, length, &buffer)) return JpegOutcome::Declined;
  onFault = JpegOutcome::Failed;

  const JpegRowTarget target = provide(context, static_cast<int>(info->output_width),
                                       static_cast<int>(info->output_height));
  if (target.bits == nullptr) return JpegOutcome::Failed;
  if (!WriteAllRows(info, buffer, target)) return JpegOutcome::Failed;
  if (jpeg_finish_decompress(info) == FALSE) return JpegOutcome::Failed;
  return JpegOutcome::Decoded;
}

}  // namespace

JpegOutcome DecodeJpegRows(const unsigned char* data, std::size_t length, JpegTargetProvider provide,
                           void* context) {
  if (!StartsLikeJpeg(data, length) || length > MemorySourceLimit || provide == nullptr)
    return JpegOutcome::Declined;
  auto* state = static_cast<DecodeState*>(std::calloc(1, sizeof(DecodeState)));
  if (state == nullptr) return JpegOutcome::Declined;
  const JpegOutcome outcome = RunDecode(state, data, length, provide, context);
  jpeg_destroy_decompress(&state->info);
  std::free(state);
  return outcome;
}
