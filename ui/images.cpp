// Placeholder until the decoder lands: no reader accepts anything yet.
#include "ui/images.h"

int RegisterJpegDecoder() { return 1; }
HBITMAP DecodeImage(int, const unsigned char*, std::size_t) { return nullptr; }
int GetImageWidth(int) { return 0; }
int GetImageHeight(int) { return 0; }
HBITMAP GetImageBitmap(int) { return nullptr; }
void ReleaseAllImages() {}
