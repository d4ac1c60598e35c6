// Icons (.ico): the largest entry of the directory, a BMP entry with its AND mask or a PNG
// entry. Read only.
#pragma once

#include "codec/codec.h"

int DecodeIco(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out);
