// Pictures on the clipboard, as bytes. Going out, an image becomes the bitmap block of the
// clipboard (a 40-byte information header with every field past the bit count zero, for
// 8 bits the whole 256-entry colour table, then bottom-up rows padded to 4 bytes) behind a
// 14-byte BMP file header, which is what other programs take under image/bmp. Coming in,
// whatever another program answered (a BMP file, a bare bitmap block, PNG, JPEG, TIFF, GIF)
// becomes a surface: 8-bit with its colour table for pictures of 8 bits or fewer per pixel,
// 32-bit otherwise. Pure functions over bytes, so that they can be fed anything.
#pragma once

#include "codec/codec.h"
#include "platform/plat_types.h"

struct Surface;

// The types a paste asks for, in the order it prefers them: the BMP family, then the
// compressed formats the codec reads.
enum { CLIP_PICTURE_TYPE_COUNT = 7, CLIP_BMP_TYPE_COUNT = 3 };
namespace pxk {
extern const char* const kClipPictureTypes[CLIP_PICTURE_TYPE_COUNT];
}  // namespace pxk
using pxk::kClipPictureTypes;

enum { CLIP_FILE_HEADER = 14, CLIP_INFO_HEADER = 40 };

// Bytes of the bitmap block for a picture of this size and depth (8 or 32), in 64 bits.
uint64_t ClipBlockSize(int width, int height, int bits);
// Writes the block of the picture at block (ClipBlockSize bytes, every one written).
void ClipFillBlock(const CodecPicture& picture, uint8_t* block);
// Writes the 14-byte BMP file header for a block of block_size bytes that follows it.
void ClipFillFileHeader(uint8_t* file, uint64_t block_size, int bits);

enum { CLIP_PICTURE_TOO_LARGE = 2 };

// The picture of a bitmap block, decoded straight into a new surface of its size. 0 done:
// *out is owned by the caller and *colors is the number of colour-table entries the picture
// gave and the surface carries (at most 256; 0 for a 32-bit surface). 1 no picture: an unknown
// header, a bit count other than 1/4/8/16/24/32, a table or rows beyond the block, a size
// beyond reason. CLIP_PICTURE_TOO_LARGE: the surface and the decoder's buffers would take more
// than max_bytes (errno ENOMEM); nothing was allocated for it. Nothing is read outside the
// bytes given.
int ClipBlockToSurface(const uint8_t* block, size_t size, uint64_t max_bytes, Surface** out, int* colors);
// The picture of another program's answer of the given type (one of kClipPictureTypes),
// with the same results.
int ClipAnswerToSurface(const char* type, const uint8_t* data, size_t size, uint64_t max_bytes, Surface** out,
                        int* colors);
