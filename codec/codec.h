// The image codec: image files decoded into plain pixel arrays and plain pixel arrays encoded
// into files, for PNG, JPEG, GIF, TIFF, BMP (also the headerless DIB block of the clipboard)
// and ICO (read only). Nothing of the libraries behind it shows here: callers see words,
// bytes and small int codes (0 done, 1 failed).
//
// A file is always decoded whole before a caller sees any of it, so a truncated or corrupt
// file is a failure and never half a picture. Only the part of the picture the caller keeps
// is held: the other rows and columns are decoded row by row and dropped. Sizes are checked in
// 64 bits against a pixel cap, and every buffer of a decoder (the kept part, its working rows)
// against the memory it may take, before anything is allocated (decompression bombs).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

// File formats; the first five are save formats numbered as the save operation's index, and
// WebP is saved too.
enum CodecFormat {
    CODEC_UNKNOWN = -1,
    CODEC_BMP = 0,
    CODEC_JPEG = 1,
    CODEC_GIF = 2,
    CODEC_PNG = 3,
    CODEC_TIFF = 4,
    CODEC_ICO = 5,
    CODEC_DIB = 6,  // a bitmap information header without the file header
    CODEC_WEBP = 7, // saved as the save operation's index 5 (see CodecSaveFormat)
    CODEC_HEIF = 8  // HEIC and AVIF, loaded only
};

// The part of a picture a caller keeps, in the picture's own pixels: columns [left, right)
// and rows [top, bottom), cut to the picture once its size is known. By default all of it.
struct CodecKeep {
    int64_t left = 0, top = 0, right = INT64_MAX, bottom = INT64_MAX;
};

// A buffer of the caller's own for the kept part (a surface to paste from), asked for once the
// picture's size is known: zeroed memory of height rows at *stride bytes from each other, of
// width words (indexed false) or bytes (indexed true); null refuses the picture. Its pixels
// are the caller's: a failed decode leaves what was written in them.
typedef uint8_t* (*CodecLendFn)(void* context, int width, int height, bool indexed, size_t* stride);

// What a decode may take and keep.
struct CodecLimits {
    uint64_t max_pixels;            // the picture's width x height as the file states it
    uint64_t max_bytes;             // the decoder's buffers together: kept part, working rows
    CodecKeep keep;
    CodecLendFn lend = nullptr;     // null: the codec allocates the kept part itself
    void* lend_context = nullptr;
};

// A decoded picture, or the part of it that was kept. Direct-colour files fill pixels;
// indexed files (palette PNG, GIF, palette TIFF and BMP of 1/4/8 bits) fill indices and palette
// instead. When has_alpha is set the top byte of every pixel word (or palette entry) is its
// alpha, 255 opaque; otherwise the words are 0x..RRGGBB with a top byte of no meaning (decoders
// write their rows straight into the words and leave what the library put there).
struct DecodedImage {
    int width = 0;                 // the kept part: width x height pixels (either may be 0 when
    int height = 0;                // none of the picture lies in the part asked for)
    int left = 0;                  // where the kept part lies in the picture
    int top = 0;
    int picture_width = 0;         // the picture's whole size, as the file gives it
    int picture_height = 0;
    int has_alpha = 0;
    uint32_t* pixels = nullptr;    // height rows of width words, top first, or null
    uint8_t* indices = nullptr;    // height rows of width bytes, top first, or null
    size_t stride = 0;             // bytes from one row to the next: width words or bytes, or
                                   // the lender's stride
    uint8_t* mask = nullptr;       // for indices: 0 where the file wrote no pixel; null all
                                   // written (never with a lent buffer, which starts zero);
                                   // rows of width bytes
    int palette_count = 0;         // entries the file's palette gave (at most 256); 0 none
    uint32_t palette[256] = {};    // entries past palette_count are black (alpha 0 when has_alpha)
    bool lent = false;             // the kept part is the lender's and not freed here
    uint64_t room = 0;             // bytes the decoder may still take for working buffers
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
// Bytes of memory that remain now for large buffers. The codec knows no operating system, so
// the layer that does (the platform's memory limits: the system's available memory, the
// control groups' room, the address space's) registers its reading at start. Until one is
// registered (a program of the codec alone) the room is unbounded and only the pixel cap and
// the caller's own max_bytes guard the buffers. May be called from any thread.
typedef uint64_t (*CodecMemoryRoomFn)(void);
void CodecSetMemoryRoom(CodecMemoryRoomFn room);
// The default cap, all of the picture kept, and buffers within the memory that remains now
// (as the registered reading gives it) less reserved bytes.
CodecLimits CodecDefaultLimits(uint64_t reserved = 0);

// A 16-bit sample or colour-map value as 8 bits, rounded to nearest (v / 257), as ImageMagick
// and libpng scale them.
static inline uint8_t CodecScale16(uint32_t v) { return (uint8_t)((v * 255u + 32767u) / 65535u); }

// Format of a file from its first bytes.
CodecFormat CodecSniff(const uint8_t* data, size_t size);

// Decodes the bytes of a whole file of any known format within the limits. 0 done (out owns
// its buffers until CodecFreeImage); 1 unknown, corrupt, truncated, too large (errno ENOMEM
// when the memory the limits leave cannot hold it, else EINVAL). A picture with an Exif
// orientation comes turned and mirrored as it is shown; sizes and the kept part are then the
// shown picture's.
int CodecDecodeBytes(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out);
// The same with the pixels as the file stores them, whatever its orientation.
int CodecDecodeStored(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out);
// The same with max_pixels as the cap, all of the picture kept, and the default memory room.
int CodecDecodeBytes(const uint8_t* data, size_t size, uint64_t max_pixels, DecodedImage* out);
// Reads a regular file (never a FIFO or device) and decodes it within the limits; errno gives
// the system's reason when the file cannot be read (ENOENT, EACCES, EISDIR; EINVAL for what is
// not a regular file or not a picture).
int CodecDecodeFile(const char* path, const CodecLimits& limits, DecodedImage* out);
// The same with the default limits.
int CodecDecodeFile(const char* path, DecodedImage* out);
void CodecFreeImage(DecodedImage* image);

// Encodes the picture in one of the six save formats (JPEG at quality 100 with 4:4:4
// chroma, WebP lossless). 0 done; 1 refused (size over the format's limits) or encoder error.
int CodecEncodeBytes(CodecFormat format, const CodecPicture& picture, std::vector<uint8_t>* out);
// Encodes into a temporary file beside path and renames it over path, so that a failed save
// leaves an existing file whole. 0 done; 1 encoder or file error (write-protected target,
// missing folder, full disk).
int CodecEncodeFile(const char* path, CodecFormat format, const CodecPicture& picture);

// Zeroed buffers of decoded pictures (pixels, indices, masks), freed by CodecFreeImage.
void* CodecAllocZeroed(size_t bytes);
void CodecFreeZeroed(void* p, size_t bytes);

// For the decoders. The buffers of the kept part of a picture of width x height, after the
// cap, the 64-bit size checks and the memory check; sets out->room to what working buffers
// may take. 0 done; 1 refused. indexed chooses indices over pixels; masked adds a zeroed mask.
int CodecAllocImage(DecodedImage* out, int64_t width, int64_t height, bool indexed, const CodecLimits& limits,
                    bool masked = false);
// A zeroed working buffer of bytes within out->room (freed with free), or null.
void* CodecAllocWork(DecodedImage* out, uint64_t bytes);
// Whether bytes more fit in out->room (buffers a library makes for itself).
bool CodecRoomFor(const DecodedImage* out, uint64_t bytes);
// Whether picture row y is kept.
bool CodecKeepsRow(const DecodedImage* out, int64_t y);
// The kept row of picture row y (kept, as CodecKeepsRow says): its first pixel is picture
// column out->left.
uint8_t* CodecKeptRow(const DecodedImage* out, int64_t y);
// The kept row of picture row y when the kept part spans the picture's whole width, so that a
// decoder writes the row in place; null otherwise (then it decodes into a working row).
uint8_t* CodecDirectRow(DecodedImage* out, int64_t y);
// Copies the kept columns of a whole picture row y (words, or bytes for indices); nothing for
// a row not kept or one decoded in place.
void CodecPutRow(DecodedImage* out, int64_t y, const void* row);
// One pixel of the picture: a word, or an index marked written; nothing outside the kept part.
void CodecPutPixel(DecodedImage* out, int64_t x, int64_t y, uint32_t word);
void CodecPutIndex(DecodedImage* out, int64_t x, int64_t y, uint8_t index);
