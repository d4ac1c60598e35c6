// Icons: the directory's largest entry (then its deepest), decoded as PNG or as a DIB whose
// header counts the AND mask's rows too (a DIB entry whole, then the part kept taken from it). The AND mask makes pixels transparent unless the
// entry has an alpha channel of its own.
#include "codec/codec_ico.h"

#include <stdlib.h>
#include <string.h>

#include "codec/codec_bmp.h"
#include "codec/codec_png.h"

namespace {

uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }

struct IconEntry {
    uint32_t offset, size;
};

int ChooseEntry(const uint8_t* d, size_t size, IconEntry* best) {
    const int count = d[4] | d[5] << 8;
    if (count == 0 || 6 + 16ull * count > size) return 1;
    uint64_t best_score = 0;
    for (int i = 0; i < count; i++) {
        const uint8_t* e = d + 6 + 16 * i;
        const uint64_t w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256, bits = e[6] | e[7] << 8;
        const uint64_t score = (w * h) << 16 | bits;
        const IconEntry entry{U32(e + 12), U32(e + 8)};
        if (entry.offset >= size || entry.size > size - entry.offset || entry.size == 0) continue;
        if (score > best_score) best_score = score, *best = entry;
    }
    return best_score ? 0 : 1;
}

// Applies the AND mask (1 bit per pixel, rows bottom first) that follows the XOR pixels.
void ApplyAndMask(const uint8_t* mask, size_t available, DecodedImage* out) {
    const size_t stride = ((size_t)out->width + 31) / 32 * 4;
    if (stride * out->height > available) return;   // no mask stored: all opaque
    if (out->indices && !out->mask) {
        out->mask = (uint8_t*)CodecAllocZeroed((size_t)out->width * out->height);
        if (!out->mask) return;
        memset(out->mask, 1, (size_t)out->width * out->height);
    }
    const bool own_alpha = out->has_alpha;
    if (out->pixels && !own_alpha) out->has_alpha = 1;
    for (int y = 0; y < out->height; y++) {
        const uint8_t* row = mask + (size_t)(out->height - 1 - y) * stride;
        for (int x = 0; x < out->width; x++) {
            const bool clear = row[x / 8] >> (7 - x % 8) & 1;
            const size_t at = (size_t)y * out->width + x;
            if (out->indices) {
                if (clear) out->mask[at] = 0;
            } else if (!own_alpha) {
                out->pixels[at] = (out->pixels[at] & 0xFFFFFF) | (clear ? 0u : 0xFF000000u);
            }
        }
    }
}

// A 32-bit entry keeps its alpha in the fourth byte of each pixel, which a plain 32-bit
// bitmap ignores; a non-zero alpha anywhere makes it the entry's transparency.
void TakeAlphaBytes(const uint8_t* block, uint64_t end, DecodedImage* out) {
    const size_t row = (size_t)out->width * 4;
    const uint8_t* start = block + end - row * out->height;
    uint8_t seen = 0;
    for (size_t i = 0; i < row * out->height; i += 4) seen |= start[i + 3];
    if (!seen) return;
    for (int y = 0; y < out->height; y++) {
        const uint8_t* src = start + (size_t)(out->height - 1 - y) * row;
        uint32_t* dst = out->pixels + (size_t)y * out->width;
        for (int x = 0; x < out->width; x++) dst[x] = (dst[x] & 0xFFFFFF) | (uint32_t)src[4 * x + 3] << 24;
    }
    out->has_alpha = 1;
}

// The part of the whole decoded entry the caller keeps, within the room the entry left.
int KeepPart(DecodedImage* whole, const CodecLimits& limits, DecodedImage* out) {
    const uint64_t taken = (uint64_t)whole->width * whole->height * (whole->indices ? 2 : 4);
    CodecLimits rest = limits;
    rest.max_bytes = limits.max_bytes > taken ? limits.max_bytes - taken : 0;
    const bool indexed = whole->indices != nullptr;
    if (CodecAllocImage(out, whole->width, whole->height, indexed, rest, whole->mask != nullptr)) return 1;
    out->has_alpha = whole->has_alpha;
    out->palette_count = whole->palette_count;
    memcpy(out->palette, whole->palette, sizeof out->palette);
    for (int y = out->top; y < out->top + out->height; y++) {
        const size_t row = (size_t)y * whole->width;
        if (!indexed) {
            CodecPutRow(out, y, whole->pixels + row);
            continue;
        }
        for (int x = out->left; x < out->left + out->width; x++)
            if (!whole->mask || whole->mask[row + x]) CodecPutIndex(out, x, y, whole->indices[row + x]);
    }
    return 0;
}

}  // namespace

int DecodeIco(const uint8_t* d, size_t size, const CodecLimits& limits, DecodedImage* out) {
    IconEntry entry;
    if (size < 6 || ChooseEntry(d, size, &entry)) return 1;
    const uint8_t* e = d + entry.offset;
    static const uint8_t png[4] = {0x89, 'P', 'N', 'G'};
    if (entry.size >= 8 && memcmp(e, png, 4) == 0) return DecodePng(e, entry.size, limits, out);
    // The header's height counts the XOR rows and the AND mask's rows together.
    std::vector<uint8_t> block(e, e + entry.size);
    if (block.size() < 16) return 1;
    const uint32_t header = U32(block.data());
    const size_t at = header == 12 ? 6 : 8;
    if (header != 12 && block.size() < 12) return 1;
    const int32_t h = header == 12 ? (int16_t)(block[6] | block[7] << 8) : (int32_t)U32(block.data() + 8);
    if (h < 2) return 1;
    const int32_t half = h / 2;
    for (size_t i = 0; i < (header == 12 ? 2u : 4u); i++) block[at + i] = (uint8_t)(half >> (8 * i));
    // The entry is decoded whole, since its AND mask and alpha bytes apply to all of it, and
    // then the kept part taken from it.
    CodecLimits whole_limits{limits.max_pixels, limits.max_bytes, CodecKeep{}};
    DecodedImage whole;
    if (DecodeDib(block.data(), block.size(), 0, whole_limits, &whole)) {
        CodecFreeImage(&whole);
        return 1;
    }
    const uint64_t end = DibPixelsEnd(block.data(), block.size());
    const int bits = header == 12 ? block[10] : block[14];
    if (end && bits == 32 && whole.pixels && !whole.has_alpha) TakeAlphaBytes(block.data(), end, &whole);
    if (end && end < block.size()) ApplyAndMask(block.data() + end, block.size() - end, &whole);
    const int code = KeepPart(&whole, limits, out);
    CodecFreeImage(&whole);
    return code;
}
