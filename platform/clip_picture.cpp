// Pictures on the clipboard: the bitmap block written by a copy, and the pictures of other
// programs' answers read by a paste. Reading goes through the codec, whose bitmap reader finds
// the pixels through the header's size, its colour masks and its count of colours used, and
// checks every field against the bytes at hand.
#include "platform/clip_picture.h"

#include "codec/codec_bmp.h"
#include "platform/draw/surface.h"

#include <errno.h>
#include <string.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

const char* const pxk::kClipPictureTypes[CLIP_PICTURE_TYPE_COUNT] = {
    "image/bmp", "image/x-bmp", "image/x-MS-bmp", "image/png", "image/jpeg", "image/tiff", "image/gif"};

static uint64_t RowBytes(int width, int bits) {
    return ((uint64_t)width * (bits == 8 ? 8 : 24) + 31) / 32 * 4;
}

uint64_t ClipBlockSize(int width, int height, int bits) {
    if (width < 1 || height < 1) return 0;
    return CLIP_INFO_HEADER + (bits == 8 ? 1024u : 0u) + RowBytes(width, bits) * (uint64_t)height;
}

static void Put32(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}

// One 24-bit row of 32-bit words. Four pixels make three output words, so the loop reads
// and writes whole words; the last pixels go byte by byte so that nothing lands past the row.
static void PackRow24Words(const uint32_t* src, int width, uint8_t* dst) {
    int x = 0;
    for (; x + 4 <= width; x += 4, dst += 12) {
        const uint32_t p0 = src[x], p1 = src[x + 1], p2 = src[x + 2], p3 = src[x + 3];
        const uint32_t w0 = (p0 & 0xFFFFFFu) | p1 << 24, w1 = (p1 >> 8 & 0xFFFFu) | p2 << 16,
                       w2 = (p2 >> 16 & 0xFFu) | p3 << 8;
        memcpy(dst, &w0, 4);
        memcpy(dst + 4, &w1, 4);
        memcpy(dst + 8, &w2, 4);
    }
    for (; x < width; x++, dst += 3) {
        dst[0] = (uint8_t)src[x];
        dst[1] = (uint8_t)(src[x] >> 8);
        dst[2] = (uint8_t)(src[x] >> 16);
    }
}

#if defined(__x86_64__)
// The same with one byte shuffle per four pixels. Each 16-byte store carries 4 bytes past the
// 12 it means, which the next store overwrites; it runs only while 6 pixels (18 bytes) remain,
// so the spare bytes stay inside the row.
__attribute__((target("ssse3"))) static void PackRow24Shuffle(const uint32_t* src, int width, uint8_t* dst) {
    const __m128i order = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int x = 0;
    for (; x + 6 <= width; x += 4, dst += 12)
        _mm_storeu_si128((__m128i*)dst, _mm_shuffle_epi8(_mm_loadu_si128((const __m128i*)(src + x)), order));
    PackRow24Words(src + x, width - x, dst);
}
#endif

static void PackRow24(const uint32_t* src, int width, uint8_t* dst) {
#if defined(__x86_64__)
    static const bool shuffle = __builtin_cpu_supports("ssse3");
    if (shuffle) return PackRow24Shuffle(src, width, dst);
#endif
    PackRow24Words(src, width, dst);
}

void ClipFillBlock(const CodecPicture& p, uint8_t* block) {
    const int bits = p.bits == 8 ? 8 : 24;
    memset(block, 0, CLIP_INFO_HEADER);
    Put32(block, CLIP_INFO_HEADER);
    Put32(block + 4, (uint32_t)p.width);
    Put32(block + 8, (uint32_t)p.height);
    block[12] = 1;
    block[14] = (uint8_t)bits;
    uint8_t* rows = block + CLIP_INFO_HEADER;
    if (bits == 8) {
        for (int i = 0; i < 256; i++) Put32(rows + 4 * i, p.palette[i] & 0xFFFFFFu);
        rows += 1024;
    }
    const uint64_t stride = RowBytes(p.width, p.bits);
    const size_t used = bits == 8 ? (size_t)p.width : (size_t)p.width * 3;
    for (int y = 0; y < p.height; y++) {
        const uint8_t* src = p.pixels + (size_t)y * p.stride;
        uint8_t* dst = rows + (size_t)(p.height - 1 - y) * stride;
        if (bits == 8) memcpy(dst, src, used);
        else PackRow24((const uint32_t*)src, p.width, dst);
        memset(dst + used, 0, (size_t)stride - used);
    }
}

void ClipFillFileHeader(uint8_t* file, uint64_t block_size, int bits) {
    memset(file, 0, CLIP_FILE_HEADER);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file + 2, (uint32_t)(CLIP_FILE_HEADER + block_size));
    Put32(file + 10, CLIP_FILE_HEADER + CLIP_INFO_HEADER + (bits == 8 ? 1024u : 0u));
}

// The picture is decoded straight into a surface the codec borrows, as a file is loaded into
// an image: only the pixels the file writes are touched, so a picture of a few hundred bytes
// that claims billions of pixels and paints few of them costs no pass over the rest.
struct SurfaceLoan {
    Surface* surface;
};

static uint8_t* LendSurface(void* context, int width, int height, bool indexed, size_t* stride) {
    SurfaceLoan* loan = (SurfaceLoan*)context;
    if (PlatCreateSurface(&loan->surface, width, height, indexed ? 8 : 32) != 0) return nullptr;
    *stride = (size_t)loan->surface->stride;
    return loan->surface->pixels;
}

// Colour words keep no alpha on a surface (0x00RRGGBB); an indexed surface takes the table.
static void FinishSurface(const DecodedImage& d, Surface* s, int* colors) {
    int count = 0;
    if (s->bits == 8) {
        count = d.palette_count < 256 ? d.palette_count : 256;
        for (int i = 0; i < 256; i++) s->palette[i] = i < count ? d.palette[i] & 0xFFFFFFu : 0;
    } else {
        for (int y = 0; y < s->height; y++) {
            uint32_t* words = (uint32_t*)SurfaceRow(s, y);
            for (int x = 0; x < s->width; x++) words[x] &= 0xFFFFFFu;
        }
    }
    *colors = count;
}

// Decodes with decode() into a borrowed surface. 0 done; 1 no picture; 2 too large for the
// memory that remains.
template <typename Decode>
static int DecodeToSurface(uint64_t max_bytes, Surface** out, int* colors, const Decode& decode) {
    SurfaceLoan loan{nullptr};
    CodecLimits limits{CodecDefaultPixelCap(), max_bytes, CodecKeep{}, LendSurface, &loan};
    DecodedImage d;
    const int code = decode(limits, &d);
    const bool no_memory = code != 0 && errno == ENOMEM;
    if (code == 0 && loan.surface) {
        FinishSurface(d, loan.surface, colors);
        *out = loan.surface;
    } else if (loan.surface) {
        PlatDestroySurface(loan.surface);
    }
    CodecFreeImage(&d);
    if (no_memory) errno = ENOMEM;
    return code != 0 || !*out ? (no_memory ? CLIP_PICTURE_TOO_LARGE : 1) : 0;
}

int ClipBlockToSurface(const uint8_t* block, size_t size, uint64_t max_bytes, Surface** out, int* colors) {
    *out = nullptr;
    *colors = 0;
    return DecodeToSurface(max_bytes, out, colors, [&](const CodecLimits& limits, DecodedImage* d) {
        return DecodeDib(block, size, 0, limits, d);
    });
}

int ClipAnswerToSurface(const char* type, const uint8_t* data, size_t size, uint64_t max_bytes, Surface** out,
                        int* colors) {
    *out = nullptr;
    *colors = 0;
    bool bmp = false;
    for (int i = 0; i < CLIP_BMP_TYPE_COUNT; i++) bmp = bmp || strcmp(type, kClipPictureTypes[i]) == 0;
    if (bmp && !(size >= 2 && data[0] == 'B' && data[1] == 'M'))
        return ClipBlockToSurface(data, size, max_bytes, out, colors);
    return DecodeToSurface(max_bytes, out, colors, [&](const CodecLimits& limits, DecodedImage* d) {
        return bmp ? DecodeBmpFile(data, size, limits, d) : CodecDecodeBytes(data, size, limits, d);
    });
}
