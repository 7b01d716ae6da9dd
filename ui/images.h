// Numbered decoded pictures; image 1 is the banner.
#pragma once

#include <windows.h>

#include <cstddef>

// Makes JPEG data acceptable to DecodeImage. Only the first call registers; returns nonzero.
int RegisterJpegDecoder();
// Decodes data into a 24-bit bottom-up DIB section kept under number. Returns the bitmap, or
// 0 when no reader accepts the data; the number then holds no image.
HBITMAP DecodeImage(int number, const unsigned char* data, std::size_t length);
// 0 / null for a number that holds no image.
int GetImageWidth(int number);
int GetImageHeight(int number);
HBITMAP GetImageBitmap(int number);
// At program end.
void ReleaseAllImages();
