// Conversions between the clipboard's format interface (text as UTF-8 or UTF-16, bitmaps as
// the DIB block) and the typed representations other programs exchange: text as UTF-8 or
// Latin-1, bitmaps as BMP files. Pure functions over bytes, so that they can be fed anything.
#pragma once

#include "plat_types.h"

#include <vector>

using ClipBytes = std::vector<uint8_t>;

// The text of a CLIP_TEXT or CLIP_UNICODETEXT block as UTF-8, up to its terminator.
ClipBytes ClipTextAsUtf8(int format, const uint8_t* data, size_t size);
// Latin-1 for clients that ask for the old types, '?' for what it lacks.
ClipBytes ClipUtf8ToLatin1(const ClipBytes& utf8);
// The DIB block behind a BMP file header that says where its pixels start; empty when the
// block is too short or its header size cannot be.
ClipBytes ClipDibToBmpFile(const uint8_t* dib, size_t size);
// A format's bytes (terminated text, or the DIB block) from another program's answer of the
// given type; false when the answer is not of that kind.
bool ClipFormatFromAnswer(int format, const char* type, const uint8_t* data, size_t size, ClipBytes* out);
