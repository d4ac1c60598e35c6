// BMP and DIB: our own reader and writer of the Windows bitmap layouts, used for .bmp files
// and for the clipboard's bitmap block (information header, colour table, pixels).
#pragma once

#include "codec/codec.h"

// A whole .bmp file (14-byte file header first; its pixel offset is honoured).
int DecodeBmpFile(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out);
// A DIB block: information header of 12/40/52/56/64/108/124 bytes, then the colour table or
// bit masks, then the pixels. pixel_offset is where the pixels start counted from the block's
// first byte, or 0 when they follow the table directly.
int DecodeDib(const uint8_t* data, size_t size, size_t pixel_offset, const CodecLimits& limits, DecodedImage* out);
// Offset just past the pixels of an uncompressed DIB block whose pixels follow its table
// (where an icon's AND mask starts); 0 for a block that is not one.
uint64_t DibPixelsEnd(const uint8_t* data, size_t size);
// Whether the bytes start like a DIB block (a known header size and one plane).
bool LooksLikeDib(const uint8_t* data, size_t size);
// A DIB block of the picture: 40-byte header, for 8 bits the 256-entry table, bottom-up rows
// of 24 bits (from 32-bit pictures) or 8 bits, padded to 4 bytes. 0 done; 1 too large.
int EncodeDib(const CodecPicture& picture, std::vector<uint8_t>* out);
// A .bmp file: the 14-byte file header and the block of EncodeDib.
int EncodeBmpFile(const CodecPicture& picture, std::vector<uint8_t>* out);
