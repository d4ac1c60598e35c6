// HEIC and AVIF through libheif (whose HEVC and AV1 decoders are built in): the primary image
// with its transformations (rotation, mirroring, crop) applied, loaded only.
#pragma once

#include "codec/codec.h"

// Whether the bytes open an ISO media file whose brand is a HEIF picture (HEIC, AVIF).
bool LooksLikeHeif(const uint8_t* data, size_t size);
int DecodeHeif(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out);
// The primary image's size as it is shown (after a quarter turn), from the file's boxes alone:
// the size DecodeHeif gives it. 0 done; 1 not a HEIF picture libheif reads.
int HeifShownSize(const uint8_t* data, size_t size, int* width, int* height);
