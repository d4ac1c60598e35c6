// Pictures shown as their Exif orientation says. The part of the shown picture a caller keeps is
// mapped back to a rectangle of the stored picture, that rectangle is decoded as stored, and
// one pass turns and mirrors it into the kept part (the caller's lent buffer when there is
// one). The stored rectangle is held beside the kept part until then, counted against the
// memory the limits leave.
#include <errno.h>

#include <algorithm>

#include "codec/codec.h"
#include "codec/exif_orientation.h"

namespace {

// Where shown pixel (X, Y) lies in the stored picture: x = xx X + xy Y + x0, y = yx X + yy Y + y0.
struct StoredMap {
    int64_t xx, xy, x0, yx, yy, y0;
};

StoredMap MapOf(int orientation, int64_t w, int64_t h) {
    switch (orientation) {
    case 2: return {-1, 0, w - 1, 0, 1, 0};        // mirrored left to right
    case 3: return {-1, 0, w - 1, 0, -1, h - 1};   // turned half round
    case 4: return {1, 0, 0, 0, -1, h - 1};        // mirrored top to bottom
    case 5: return {0, 1, 0, 1, 0, 0};             // mirrored about the main diagonal
    case 6: return {0, 1, 0, -1, 0, h - 1};        // to be turned a quarter clockwise
    case 7: return {0, -1, w - 1, -1, 0, h - 1};   // mirrored about the other diagonal
    case 8: return {0, -1, w - 1, 1, 0, 0};        // to be turned a quarter anticlockwise
    default: return {1, 0, 0, 0, 1, 0};
    }
}

// The stored rectangle under the kept part [left, right) x [top, bottom) of the shown picture.
CodecKeep StoredKeep(const CodecKeep& shown, const StoredMap& m, int64_t shown_w, int64_t shown_h) {
    const int64_t l = std::max<int64_t>(0, shown.left), t = std::max<int64_t>(0, shown.top);
    const int64_t r = std::min(shown.right, shown_w), b = std::min(shown.bottom, shown_h);
    if (l >= r || t >= b) return CodecKeep{0, 0, 0, 0};
    const int64_t x1 = m.xx * l + m.xy * t + m.x0, y1 = m.yx * l + m.yy * t + m.y0;
    const int64_t x2 = m.xx * (r - 1) + m.xy * (b - 1) + m.x0, y2 = m.yx * (r - 1) + m.yy * (b - 1) + m.y0;
    return CodecKeep{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + 1, std::max(y1, y2) + 1};
}

// Copies every kept pixel (and its written mark) from its stored place, walking each shown
// row as a straight line through the stored rectangle. The rows are walked a square tile at a
// time: a turned picture's shown row crosses a new stored row at every pixel, and a tile keeps
// the stored rows it crosses in the cache for the rows below instead of fetching each pixel's
// cache line and page afresh.
void Turn(const DecodedImage& s, const StoredMap& m, DecodedImage* out) {
    const int TILE = 64;
    const int64_t unit = s.indices ? 1 : 4;
    const uint8_t* base = s.indices ? s.indices : (const uint8_t*)s.pixels;
    const int64_t step = m.yx * (int64_t)s.stride + m.xx * unit, mask_step = m.yx * s.width + m.xx;
    for (int j0 = 0; j0 < out->height; j0 += TILE)
        for (int i0 = 0; i0 < out->width; i0 += TILE) {
            const int rows = std::min(TILE, out->height - j0), count = std::min(TILE, out->width - i0);
            for (int j = j0; j < j0 + rows; j++) {
                const int64_t X = out->left + i0, Y = out->top + j;
                const int64_t x = m.xx * X + m.xy * Y + m.x0 - s.left, y = m.yx * X + m.yy * Y + m.y0 - s.top;
                const uint8_t* src = base + y * (int64_t)s.stride + x * unit;
                uint8_t* dst = CodecKeptRow(out, out->top + j) + i0 * unit;
                if (unit == 4)
                    for (int i = 0; i < count; i++, src += step) ((uint32_t*)dst)[i] = *(const uint32_t*)src;
                else
                    for (int i = 0; i < count; i++, src += step) dst[i] = *src;
                if (!s.mask || !out->mask) continue;
                const uint8_t* mark = s.mask + y * s.width + x;
                uint8_t* mark_row = out->mask + (size_t)j * out->width + i0;
                for (int i = 0; i < count; i++, mark += mask_step) mark_row[i] = *mark;
            }
        }
}

int Fail(DecodedImage* stored, DecodedImage* out) {
    const int reason = errno == ENOMEM ? ENOMEM : EINVAL;
    CodecFreeImage(stored);
    CodecFreeImage(out);
    errno = reason;
    return 1;
}

}  // namespace

int CodecDecodeBytes(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out) {
    const StoredOrientation o = data ? FindStoredOrientation(data, size) : StoredOrientation{};
    if (o.orientation == 1) return CodecDecodeStored(data, size, limits, out);
    *out = DecodedImage{};
    const bool turned = o.orientation >= 5;
    const int64_t shown_w = turned ? o.height : o.width, shown_h = turned ? o.width : o.height;
    const StoredMap m = MapOf(o.orientation, o.width, o.height);
    CodecLimits stored_limits = limits;
    stored_limits.lend = nullptr;
    stored_limits.lend_context = nullptr;
    stored_limits.keep = StoredKeep(limits.keep, m, shown_w, shown_h);
    DecodedImage s;
    if (CodecDecodeStored(data, size, stored_limits, &s)) return 1;
    errno = EINVAL;   // a decoded size that is not the header's is a forged header
    if (s.picture_width != o.width || s.picture_height != o.height) return Fail(&s, out);
    const uint64_t held = (uint64_t)s.stride * s.height + (s.mask ? (uint64_t)s.width * s.height : 0);
    CodecLimits rest = limits;
    rest.max_bytes = limits.max_bytes > held ? limits.max_bytes - held : 0;
    if (CodecAllocImage(out, shown_w, shown_h, s.indices != nullptr, rest, s.mask != nullptr)) return Fail(&s, out);
    if ((turned ? out->height : out->width) != s.width || (turned ? out->width : out->height) != s.height) {
        errno = EINVAL;
        return Fail(&s, out);
    }
    out->has_alpha = s.has_alpha;
    out->palette_count = s.palette_count;
    std::copy(s.palette, s.palette + 256, out->palette);
    if (out->width > 0) Turn(s, m, out);
    CodecFreeImage(&s);
    return 0;
}
