// Lines and rectangles: the line of either mode, the rectangle outline, the bordered and
// filled rectangle and the two XOR rectangles, each clipped once and written row by row.
#include "raster/lines.h"

#include <type_traits>

#include "raster/raster.h"

void RasterLineOn(const RasterImage& c, RasterMode mode, uint32_t color, int64_t x1, int64_t y1, int64_t x2,
                  int64_t y2) {
    WithRaster(c, mode, color, [&](auto* base, auto op) { RasterLine(c, base, op, x1, y1, x2, y2); });
}

void RasterBoxOutline(const RasterImage& c, uint32_t color, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
    WithRaster(c, RASTER_STORE, color, [&](auto* base, auto op) {
        RasterHSpan(c, base, op, x1, x2, y1);
        RasterVSpan(c, base, op, x2, y1, y2);
        RasterHSpan(c, base, op, x2, x1, y2);
        RasterVSpan(c, base, op, x1, y2, y1);
    });
}

// Fills rows t..b from l to r (all inclusive, l <= r, t <= b), clipped once.
template <class T, class Op>
static void RasterRect(const RasterImage& c, T* base, const Op& op, int64_t l, int64_t t, int64_t r, int64_t b) {
    if (l < 0) l = 0;
    if (t < 0) t = 0;
    if (r > c.width - 1) r = c.width - 1;
    if (b > c.height - 1) b = c.height - 1;
    if (l > r || t > b) return;
    T* row = base + t * c.pitch + l;
    if constexpr (std::is_same_v<Op, StoreOp<T>>) {
        if ((r - l + 1) * (b - t + 1) * (int64_t)sizeof(T) >= ((int64_t)8 << 20)) {
            for (int64_t y = t; y <= b; y++, row += c.pitch) StreamSpan(row, r - l + 1, op.value);
            StreamFence();
            return;
        }
    }
    for (int64_t y = t; y <= b; y++, row += c.pitch) op.Span(row, r - l + 1);
}

// A bordered box row by row in one pass: the top and bottom rows are border, every row between
// them is a border pixel, the interior span and another border pixel. Walking the columns of
// the border separately would touch every row's cache line a second time.
template <class T>
static void RasterFramedRect(const RasterImage& c, T* base, T border, T fill, int64_t l, int64_t t, int64_t r,
                             int64_t b) {
    const StoreOp<T> edge{border};
    RasterHSpan(c, base, edge, l, r, t);
    if (b != t) RasterHSpan(c, base, edge, l, r, b);
    const int64_t top = std::max<int64_t>(t + 1, 0), bottom = std::min<int64_t>(b - 1, c.height - 1);
    if (top > bottom) return;
    const bool left_in = l >= 0 && l < c.width, right_in = r >= 0 && r < c.width && r != l;
    const int64_t il = std::max<int64_t>(l + 1, 0), ir = std::min<int64_t>(r - 1, c.width - 1);
    const int64_t n = ir - il + 1;
    const bool stream = n > 0 && n * (bottom - top + 1) * (int64_t)sizeof(T) >= ((int64_t)8 << 20);
    T* row = base + top * c.pitch;
    for (int64_t y = top; y <= bottom; y++, row += c.pitch) {
        if (left_in) row[l] = border;
        if (n > 0) {
            if (stream) StreamSpan(row + il, n, fill);
            else std::fill_n(row + il, n, fill);
        }
        if (right_in) row[r] = border;
    }
    if (stream) StreamFence();
}

void RasterFilledBox(const RasterImage& c, int64_t l, int64_t t, int64_t r, int64_t b, uint32_t border,
                     uint32_t fill) {
    WithRaster(c, RASTER_STORE, border, [&](auto* base, auto op) {
        using T = std::remove_pointer_t<decltype(base)>;
        if constexpr (std::is_same_v<decltype(op), StoreOp<T>>) {
            if ((T)fill == op.value) RasterRect(c, base, op, l, t, r, b);
            else RasterFramedRect<T>(c, base, op.value, (T)fill, l, t, r, b);
        }
    });
}

// The outline inverted so that no pixel flips twice: top row, bottom row when it is another
// row, then the columns between them. With l = r the two columns are the same pixels and
// cancel, which keeps a one-pixel-wide box its own inverse.
void RasterXorBox(const RasterImage& c, int64_t l, int64_t t, int64_t r, int64_t b) {
    WithRaster(c, RASTER_XOR, 0, [&](auto* base, auto op) {
        RasterHSpan(c, base, op, l, r, t);
        if (b != t) RasterHSpan(c, base, op, l, r, b);
        if (b - t > 1) {
            RasterVSpan(c, base, op, l, t + 1, b - 1);
            RasterVSpan(c, base, op, r, t + 1, b - 1);
        }
    });
}

void RasterXorFillBox(const RasterImage& c, int64_t l, int64_t t, int64_t r, int64_t b) {
    WithRaster(c, RASTER_XOR, 0, [&](auto* base, auto op) { RasterRect(c, base, op, l, t, r, b); });
}
