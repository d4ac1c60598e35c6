// HEIC and AVIF through libheif. The library decodes the primary image whole and applies its
// transformations itself, so the whole picture is held once as the library's planes and once
// as its interleaved RGBA; both are counted against the memory that remains before decoding.
// Pictures of 10 or 12 bits come as 16-bit samples and are scaled to 8 bits with rounding.
// The sizes counted are the ones the decoders will allocate for, read from the coded streams
// before decoding, not the ones the boxes state (see heif_coded_size.h).
#include "codec/codec_heif.h"

#include <errno.h>
#include <string.h>

#include <libheif/heif.h>

#include "codec/heif_coded_size.h"

namespace {

const char* const BRANDS[] = {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1", "avif", "avis"};

// The kept columns of one interleaved row as words 0xAARRGGBB. Opaque 8-bit pictures come as
// RGB, three bytes a pixel, which spares the library writing and us reading a fourth.
void PutRow(DecodedImage* out, int64_t y, const uint8_t* row, int bits) {
    uint32_t* dst = (uint32_t*)CodecKeptRow(out, y);
    if (bits <= 8 && !out->has_alpha) {
        const uint8_t* p = row + (size_t)out->left * 3;
        for (int x = 0; x < out->width; x++, p += 3) dst[x] = 0xFF000000u | p[0] << 16 | p[1] << 8 | p[2];
        return;
    }
    if (bits <= 8) {
        const uint8_t* p = row + (size_t)out->left * 4;
        for (int x = 0; x < out->width; x++, p += 4) dst[x] = (uint32_t)p[3] << 24 | p[0] << 16 | p[1] << 8 | p[2];
        return;
    }
    const uint32_t max = (1u << bits) - 1;
    const uint8_t* p = row + (size_t)out->left * 8;
    for (int x = 0; x < out->width; x++, p += 8) {
        uint32_t word = 0;
        for (int c = 0; c < 4; c++) {
            const uint32_t v = (uint32_t)(p[2 * c] | p[2 * c + 1] << 8);
            const uint32_t scaled = ((v > max ? max : v) * 255 + max / 2) / max;
            word |= scaled << (c == 3 ? 24 : 16 - 8 * c);
        }
        dst[x] = word;
    }
}

// libheif 1.15 decodes up to this many tiles of a grid at once.
const uint64_t TILES_AT_ONCE = 8;

uint64_t Mul(uint64_t a, uint64_t b) { return a && b > UINT64_MAX / a ? UINT64_MAX : a * b; }
uint64_t Add(uint64_t a, uint64_t b) { return b > UINT64_MAX - a ? UINT64_MAX : a + b; }

// What the decode of a file will allocate for, judged before decoding: 0 within the limits, with
// the bytes of the library's buffers in *work; 1 refused before anything is allocated (errno
// ENOMEM beyond the pixel cap or the memory, EINVAL when the coded streams cannot be read or
// code a picture grossly larger than the boxes state).
int CheckCodedSize(const uint8_t* data, size_t size, bool deep, const CodecLimits& limits, uint64_t* work) {
    HeifCodedSize coded;
    if (HeifFindCodedSize(data, size, &coded) != 0 || coded.beyond_boxes) {
        errno = EINVAL;
        return 1;
    }
    const uint64_t sample = deep || coded.deep ? 2 : 1;
    const uint64_t at_once = (uint64_t)coded.coded_pictures < TILES_AT_ONCE ? coded.coded_pictures : TILES_AT_ONCE;
    // The canvases' YCbCr planes and alpha and the interleaved copy; for each picture being
    // decoded, the decoder's own planes and libheif's copy of them.
    const uint64_t decoding = Mul(Mul(coded.largest_plane_bytes, 2), at_once);
    *work = Add(Add(Mul(coded.canvas_pixels, sample * (2 + 4)), decoding), 4u << 20);
    // The cap is on the picture the file states; a coded picture may add a coding block of
    // padding to each side of it, which the memory counted above pays for.
    const auto beyond_cap = [&](int64_t w, int64_t h) {
        const int64_t block = HEIF_CODING_BLOCK;
        return Mul((uint64_t)(w > block ? w - block : 1), (uint64_t)(h > block ? h - block : 1)) > limits.max_pixels;
    };
    if (beyond_cap(coded.canvas_width, coded.canvas_height) ||
        beyond_cap(coded.largest_width, coded.largest_height) || *work > limits.max_bytes) {
        errno = ENOMEM;
        return 1;
    }
    return 0;
}

int DecodePrimary(heif_context* ctx, const uint8_t* data, size_t size, const CodecLimits& limits,
                  DecodedImage* out) {
    heif_image_handle* handle = nullptr;
    if (heif_context_get_primary_image_handle(ctx, &handle).code != heif_error_Ok) return 1;
    const int width = heif_image_handle_get_width(handle), height = heif_image_handle_get_height(handle);
    const int depth = heif_image_handle_get_luma_bits_per_pixel(handle);
    const bool deep = depth > 8;
    uint64_t work = 0;
    int code = CheckCodedSize(data, size, deep, limits, &work);
    if (!code) code = CodecAllocImage(out, width, height, false, limits);
    if (!code && !CodecRoomFor(out, work)) {
        errno = ENOMEM;
        code = 1;
    }
    heif_image* image = nullptr;
    if (!code) {
        out->has_alpha = heif_image_handle_has_alpha_channel(handle) ? 1 : 0;
        const heif_chroma chroma = deep            ? heif_chroma_interleaved_RRGGBBAA_LE
                                   : out->has_alpha ? heif_chroma_interleaved_RGBA
                                                    : heif_chroma_interleaved_RGB;
        code = heif_decode_image(handle, &image, heif_colorspace_RGB, chroma, nullptr).code != heif_error_Ok;
    }
    int stride = 0;
    const uint8_t* plane = image ? heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride) : nullptr;
    const int bits = image ? heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved) : 0;
    if (!code && (!plane || heif_image_get_width(image, heif_channel_interleaved) != width ||
                  heif_image_get_height(image, heif_channel_interleaved) != height || bits < 8 || bits > 16 ||
                  (bits > 8) != deep))
        code = 1;
    for (int y = 0; !code && y < out->height; y++)
        PutRow(out, out->top + y, plane + (size_t)(out->top + y) * (size_t)stride, bits);
    heif_image_release(image);
    heif_image_handle_release(handle);
    return code;
}

}  // namespace

bool LooksLikeHeif(const uint8_t* d, size_t n) {
    if (n < 12 || memcmp(d + 4, "ftyp", 4) != 0) return false;
    for (const char* brand : BRANDS)
        if (memcmp(d + 8, brand, 4) == 0) return true;
    return false;
}

int DecodeHeif(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out) {
    heif_context* ctx = heif_context_alloc();
    if (!ctx) return 1;
    int code = heif_context_read_from_memory_without_copy(ctx, data, size, nullptr).code != heif_error_Ok;
    if (!code) code = DecodePrimary(ctx, data, size, limits, out);
    heif_context_free(ctx);
    return code;
}

int HeifShownSize(const uint8_t* data, size_t size, int* width, int* height) {
    heif_context* ctx = heif_context_alloc();
    if (!ctx) return 1;
    heif_image_handle* handle = nullptr;
    int code = heif_context_read_from_memory_without_copy(ctx, data, size, nullptr).code != heif_error_Ok ||
               heif_context_get_primary_image_handle(ctx, &handle).code != heif_error_Ok;
    if (!code) {
        *width = heif_image_handle_get_width(handle);
        *height = heif_image_handle_get_height(handle);
    }
    heif_image_handle_release(handle);
    heif_context_free(ctx);
    return code;
}
