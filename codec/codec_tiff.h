// The TIFF format through its reference library: decode from bytes, encode to bytes.
#pragma once

#include "codec/codec.h"

int DecodeTiff(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out);
int EncodeTiff(const CodecPicture& picture, std::vector<uint8_t>* out);
