// The WebP format through libwebp: lossy, lossless and alpha stills, and the first frame of an
// animation; saved lossless, so that a saved picture reads back with the same pixels.
#pragma once

#include "codec/codec.h"

int DecodeWebp(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out);
int EncodeWebp(const CodecPicture& picture, std::vector<uint8_t>* out);
