// The JPEG format through its reference library: decode from bytes, encode to bytes.
#pragma once

#include "codec/codec.h"

int DecodeJpeg(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out);
int EncodeJpeg(const CodecPicture& picture, std::vector<uint8_t>* out);
