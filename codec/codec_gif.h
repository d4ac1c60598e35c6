// The GIF format through its reference library: decode from bytes, encode to bytes.
#pragma once

#include "codec/codec.h"

int DecodeGif(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out);
int EncodeGif(const CodecPicture& picture, std::vector<uint8_t>* out);
