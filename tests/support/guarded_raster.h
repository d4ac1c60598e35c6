// A raster buffer inside a frame of guard pixels, for the tests of raster/: the view starts
// two rows down and three pixels in, its pitch is wider than its width, and every byte starts
// random, so a write past any edge of the view changes a guard byte. The view's pixels convert
// to and from the tight rows of the reference renderer, which says what the view must hold.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "raster/raster_image.h"
#include "support/reference_drawing.h"

struct GuardedRaster {
    enum { GUARD_ROWS = 2, GUARD_COLUMNS = 3 };
    int width, height, bits, bytes_per_pixel;
    ptrdiff_t pitch;   // in pixels, like the view's
    std::vector<uint8_t> bytes;

    // extra: pixels of pitch beyond the view and both side guards.
    GuardedRaster(int w, int h, int b, int extra, std::mt19937& rng)
        : width(w), height(h), bits(b), bytes_per_pixel(b / 8), pitch(w + 2 * GUARD_COLUMNS + extra),
          bytes((size_t)(h + 2 * GUARD_ROWS) * (size_t)pitch * (size_t)(b / 8)) {
        for (auto& v : bytes) v = (uint8_t)rng();
    }

    size_t Offset(int64_t x, int64_t y) const {
        return (size_t)(((y + GUARD_ROWS) * pitch + x + GUARD_COLUMNS) * bytes_per_pixel);
    }
    RasterImage View() { return RasterImage{bytes.data() + Offset(0, 0), width, height, bits, pitch, nullptr}; }
    // Sets every pixel of the view to value(x, y) (the low byte on an 8-bit view).
    template <class Fn>
    void FillView(Fn&& value) {
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) {
                const uint32_t v = value(x, y);
                memcpy(bytes.data() + Offset(x, y), &v, (size_t)bytes_per_pixel);
            }
    }
    // The view's pixels as the reference renderer lays them out.
    RefImage Reference() const {
        RefImage ref(width, height, bits, std::vector<uint8_t>());
        ref.bytes.assign((size_t)ref.Stride() * (size_t)height, 0);
        for (int y = 0; y < height; y++)
            memcpy(ref.At(0, y), bytes.data() + Offset(0, y), (size_t)width * (size_t)bytes_per_pixel);
        return ref;
    }
    // The whole buffer as it must be: initial (the buffer before drawing) with the view's
    // pixels taken from ref.
    std::vector<uint8_t> Expected(const std::vector<uint8_t>& initial, RefImage& ref) const {
        std::vector<uint8_t> want = initial;
        for (int y = 0; y < height; y++)
            memcpy(want.data() + Offset(0, y), ref.At(0, y), (size_t)width * (size_t)bytes_per_pixel);
        return want;
    }
    // Empty when the buffer holds want; otherwise where the first byte differs.
    std::string FirstDifference(const std::vector<uint8_t>& want) const {
        for (size_t i = 0; i < bytes.size(); i++) {
            if (bytes[i] == want[i]) continue;
            const int64_t pixel = (int64_t)i / bytes_per_pixel;
            const int64_t x = pixel % pitch - GUARD_COLUMNS, y = pixel / pitch - GUARD_ROWS;
            const bool inside = x >= 0 && x < width && y >= 0 && y < height;
            return std::string(inside ? "pixel" : "guard pixel") + " (" + std::to_string(x) + ", " +
                   std::to_string(y) + ") byte " + std::to_string(i % bytes_per_pixel) + ": " +
                   std::to_string(bytes[i]) + " instead of " + std::to_string(want[i]);
        }
        return "";
    }
};
