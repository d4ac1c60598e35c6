// The image codec: image files decoded into plain pixel arrays and plain pixel arrays encoded
// into files, for PNG, JPEG, GIF, TIFF, BMP (also the headerless DIB block of the clipboard)
// and ICO (read only). Nothing of the libraries behind it shows here: callers see words,
// bytes and small int codes (0 done, 1 failed).
//
// A file is always decoded whole into memory before a caller sees any of it, so a truncated
// or corrupt file is a failure and never half a picture. Sizes are checked in 64 bits against
// a pixel cap before anything is allocated (decompression bombs).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

// File formats; the first five are the save formats, numbered as the save operation's index.
enum CodecFormat {
    CODEC_UNKNOWN = -1,
    CODEC_BMP = 0,
    CODEC_JPEG = 1,
    CODEC_GIF = 2,
    CODEC_PNG = 3,
    CODEC_TIFF = 4,
    CODEC_ICO = 5,
    CODEC_DIB = 6   // a bitmap information header without the file header
};

// A decoded picture. Direct-colour files fill pixels; indexed files (palette PNG, GIF,
// palette TIFF and BMP of 1/4/8 bits) fill indices and palette instead. When has_alpha is
// set the top byte of every pixel word (or palette entry) is its alpha, 255 opaque;
// otherwise the words are 0x..RRGGBB with a top byte of no meaning (decoders write their
// rows straight into the words and leave what the library put there).
struct DecodedImage {
    int width = 0;
    int height = 0;
    int has_alpha = 0;
    uint32_t* pixels = nullptr;    // width * height words, rows top first, or null
    uint8_t* indices = nullptr;    // width * height bytes, rows top first, or null
    uint8_t* mask = nullptr;       // for indices: 0 where the file wrote no pixel; null all written
    int palette_count = 0;         // entries the file's palette gave (at most 256); 0 none
    uint32_t palette[256] = {};    // entries past palette_count are black (alpha 0 when has_alpha)
};

// A picture to encode: bits 32 (words 0x00RRGGBB, top byte ignored) or 8 (indices into
// palette). stride is bytes per row.
struct CodecPicture {
    int width;
    int height;
    int bits;
    int stride;
    const uint8_t* pixels;
    const uint32_t* palette;   // 256 entries 0x00RRGGBB, for 8 bits
};

// The most pixels a decoded picture may have by default: what a 32-bit surface may take.
uint64_t CodecDefaultPixelCap(void);

// Format of a file from its first bytes.
CodecFormat CodecSniff(const uint8_t* data, size_t size);

// Decodes the bytes of a whole file of any known format; max_pixels caps width x height.
// 0 done (out owns its buffers until CodecFreeImage); 1 unknown, corrupt, truncated, too large.
int CodecDecodeBytes(const uint8_t* data, size_t size, uint64_t max_pixels, DecodedImage* out);
// Reads a regular file (never a FIFO or device) and decodes it with the default cap.
int CodecDecodeFile(const char* path, DecodedImage* out);
void CodecFreeImage(DecodedImage* image);

// Encodes the picture in one of the five save formats (JPEG at quality 100 with 4:4:4
// chroma). 0 done; 1 refused (size over the format's limits) or encoder error.
int CodecEncodeBytes(CodecFormat format, const CodecPicture& picture, std::vector<uint8_t>* out);
// Encodes into a temporary file beside path and renames it over path, so that a failed save
// leaves an existing file whole. 0 done; 1 encoder or file error (write-protected target,
// missing folder, full disk).
int CodecEncodeFile(const char* path, CodecFormat format, const CodecPicture& picture);

// Zeroed buffers of decoded pictures (pixels, indices, masks), freed by CodecFreeImage.
void* CodecAllocZeroed(size_t bytes);
void CodecFreeZeroed(void* p, size_t bytes);

// Allocation of a decoded picture's buffers after the cap and 64-bit size checks.
// 0 done; 1 refused. indexed chooses indices over pixels; masked adds a zeroed mask.
int CodecAllocImage(DecodedImage* out, int64_t width, int64_t height, bool indexed, uint64_t max_pixels,
                    bool masked = false);
