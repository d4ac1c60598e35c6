// Image files: loading a file's picture into the current image and saving the current image
// in one of six formats. The codec decodes the whole file first, so a
// file that cannot be read leaves the image and its colour table untouched; of the picture it
// keeps only the part that lands in the image.
//
// Loading keeps the image's size and depth. Transparent pixels (and pixels a file does not
// write) keep their values; partial alpha is drawn source-over. Into an 8-bit image a file
// with a palette replaces the first entries of the colour table and its indices are copied;
// every other colour maps to the nearest entry of the table.
#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "imagewin/image_files.h"
#include "imagewin/image_memory.h"
#include "imagewin/image_table.h"
#include "imagewin/nearest_color.h"
#include "codec/codec.h"
#include "codec/codec_names.h"
#include "pxk.h"

namespace {

// One pixel of the decoded picture: colour 0x00RRGGBB and alpha 0..255.
struct Source {
    uint32_t color;
    uint32_t alpha;
};

Source PixelAt(const DecodedImage& d, size_t at) {
    uint32_t v;
    if (d.indices) {
        if (d.mask && !d.mask[at]) return {0, 0};
        v = d.palette[d.indices[at]];
    } else {
        v = d.pixels[at];
    }
    return {v & 0xFFFFFF, d.has_alpha ? v >> 24 : 255u};
}

uint32_t Over(uint32_t src, uint32_t dst, uint32_t a) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t s = src >> shift & 0xFF, t = dst >> shift & 0xFF;
        out |= ((s * a + t * (255 - a) + 127) / 255) << shift;
    }
    return out;
}

// Where the kept part of the picture lands: its pixel (i, j) at image column x + i, row y + j.
struct Landing {
    int64_t x, y;
};

void DrawInto32(const DecodedImage& d, const ImageRecord& r, uint8_t* pixels, const Landing& at) {
    const bool plain = d.pixels && !d.has_alpha;
    for (int j = 0; j < d.height; j++) {
        uint32_t* dst = (uint32_t*)(pixels + (size_t)(at.y + j) * ImageStride(&r)) + at.x;
        const size_t row = (size_t)j * d.width;
        if (plain) {
            for (int i = 0; i < d.width; i++) dst[i] = d.pixels[row + i] & 0xFFFFFF;
            continue;
        }
        for (int i = 0; i < d.width; i++) {
            const Source s = PixelAt(d, row + i);
            if (s.alpha == 255) dst[i] = s.color;
            else if (s.alpha) dst[i] = Over(s.color, dst[i], s.alpha);
        }
    }
}

// table: the image's colour table after the file's palette went into it.
void DrawInto8(const DecodedImage& d, const ImageRecord& r, uint8_t* pixels, const Landing& at, const uint32_t* table) {
    const bool copy_indices = d.indices && d.palette_count > 0;
    NearestColor* map = new (std::nothrow) NearestColor;
    if (!map) return;
    InitNearestColor(map, table);
    for (int j = 0; j < d.height; j++) {
        uint8_t* dst = pixels + (size_t)(at.y + j) * ImageStride(&r) + at.x;
        const size_t row = (size_t)j * d.width;
        for (int i = 0; i < d.width; i++) {
            const Source s = PixelAt(d, row + i);
            if (s.alpha == 0) continue;
            if (s.alpha == 255 && copy_indices) dst[i] = d.indices[row + i];
            else if (s.alpha == 255) dst[i] = NearestIndex(map, s.color);
            else dst[i] = NearestIndex(map, Over(s.color, table[dst[i]], s.alpha));
        }
    }
    delete map;
}

}  // namespace

void DrawDecodedPicture(const DecodedImage& d, int x, int y) {
    const int index = CurrentImageIndex() & (IMAGE_SLOTS - 1);
    const ImageRecord& r = image_table[index];
    const Landing at{(int64_t)x + d.left, (int64_t)y + d.top};
    const bool visible = d.width > 0 && d.height > 0;
    if (r.bits == 8) {
        PXK_Color table[256];
        if (d.palette_count > 0) {
            for (int i = 0; i < d.palette_count; i++) table[i] = (PXK_Color)(d.palette[i] & 0xFFFFFF);
            PXK_SetPalette(table, d.palette_count);
        }
        PXK_GetPalette(table);
        if (visible) DrawInto8(d, r, image_pixels[index], at, (const uint32_t*)table);
    } else if (visible) {
        DrawInto32(d, r, image_pixels[index], at);
    }
}

extern "C" int PXK_LoadImageFile(const char* path, int x, int y) {
    const int index = CurrentImageIndex() & (IMAGE_SLOTS - 1);
    const ImageRecord& r = image_table[index];
    if (!r.in_use.load(std::memory_order_acquire)) return 2;
    // Only the part of the picture that lands in the image is kept, and the decoder's buffers
    // count against the memory left beside the live images, as a new image's would.
    CodecLimits limits = CodecDefaultLimits(LiveImageBytes());
    limits.keep = CodecKeep{std::max<int64_t>(0, -(int64_t)x), std::max<int64_t>(0, -(int64_t)y),
                            (int64_t)r.width - x, (int64_t)r.height - y};
    DecodedImage d;
    if (CodecDecodeFile(path, limits, &d)) return 1;
    DrawDecodedPicture(d, x, y);
    CodecFreeImage(&d);
    return 0;
}

extern "C" int PXK_SaveImageFile(int height, int width, int format, const char* path) {
    const ImageRecord* r = CurrentImageRecord();
    if (!r->in_use.load(std::memory_order_acquire)) return 3;
    if (width <= 0 || height <= 0) return 2;
    if (width > INT32_MAX / 4) {
        errno = EFBIG;
        return 1;
    }
    const CodecFormat codec = CodecSaveFormat(format);
    if (!path || codec == CODEC_UNKNOWN) {
        errno = path ? EINVAL : ENOENT;
        return 1;
    }
    // A path without a file name (empty, or a folder's with its slash) would become a hidden
    // file named only by the extension.
    const size_t length = strlen(path);
    if (length == 0 || path[length - 1] == '/') {
        errno = ENOENT;
        return 1;
    }
    const int bytes_per_pixel = r->bits == 32 ? 4 : 1;
    PXK_Color palette[256] = {};
    if (r->bits == 8) PXK_GetPalette(palette);
    CodecPicture picture{width, height, r->bits, ImageStride(r), image_pixels[CurrentImageIndex() & (IMAGE_SLOTS - 1)],
                         (const uint32_t*)palette};
    uint8_t* buffer = nullptr;
    if (width > r->width || height > r->height) {
        // A rectangle larger than the image is read through the store's rectangle copy,
        // which gives zeros outside the image and never reads memory beyond it.
        const uint64_t bytes = (uint64_t)width * (uint64_t)height * bytes_per_pixel;
        if ((uint64_t)width * (uint64_t)height > CodecDefaultPixelCap() || bytes > SIZE_MAX || bytes > MemoryRoom())
            buffer = nullptr;
        else
            buffer = (uint8_t*)malloc((size_t)bytes);
        if (!buffer) {
            errno = ENOMEM;
            return 1;
        }
        PXK_ReadImageRect(buffer, 0, 0, width, height);
        picture.pixels = buffer;
        picture.stride = width * bytes_per_pixel;
    }
    const std::string target = CodecPathWithExtension(path, codec);
    const int code = CodecEncodeFile(target.c_str(), codec, picture);
    const int reason = errno;
    free(buffer);
    errno = reason;
    return code;
}
