// The charts' pixel generation on bare buffers: each chart gives the same picture whatever the
// pitch of the buffer, writes every pixel of the view and nothing beside it, and the HSV chart
// leaves a buffer one row high alone. (The pictures themselves are checked against their
// definitions through the drawing commands, in tests/imaging/color_charts.cpp.)
#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include "raster/color_charts.h"
#include "support/guarded_raster.h"

namespace {

// The charts that draw on every buffer, in the form of the HSV chart, which may refuse.
template <void (*Draw)(const RasterImage&)>
bool Whole(const RasterImage& c) {
    Draw(c);
    return true;
}

struct Chart {
    const char* name;
    bool (*draw)(const RasterImage&);
};
const Chart CHARTS[] = {{"RGB", Whole<RasterRGBChart>},     {"HSV", RasterHSVChart},
                        {"YCrCb", Whole<RasterYCrCbChart>}, {"Yuv", Whole<RasterYuvChart>},
                        {"YIQ", Whole<RasterYIQChart>},     {"grey", Whole<RasterGreyChart>}};

// Drawn once on the guarded view (pitch = width + 6 + extra, random pixels) and once on the
// reference's tight rows (pitch = width, or width padded to 4 on 8 bits, all zero): the two
// must hold the same view, so a pixel a chart forgets or places by the wrong pitch shows, and
// the guards must keep their bytes.
TEST(RasterCharts, SamePictureAtAnyPitchAndNothingOutside) {
    const int sizes[][2] = {{1, 1}, {1, 2}, {2, 1}, {3, 5}, {37, 23}, {64, 3}, {5, 64}};
    std::mt19937 gen(7);
    for (const Chart& chart : CHARTS)
        for (const int bits : {8, 32})
            for (const auto& size : sizes) {
                GuardedRaster g(size[0], size[1], bits, 1 + (int)(gen() % 5), gen);
                const std::vector<uint8_t> initial = g.bytes;
                RefImage ref = g.Reference();
                std::fill(ref.bytes.begin(), ref.bytes.end(), 0);
                const RasterImage tight{ref.bytes.data(), ref.width, ref.height, bits, ref.Stride() / (bits / 8), nullptr};
                const bool drawn_guarded = chart.draw(g.View()), drawn_tight = chart.draw(tight);
                const std::string where = std::string(chart.name) + " on " + std::to_string(size[0]) + "x" +
                                          std::to_string(size[1]) + "x" + std::to_string(bits);
                EXPECT_EQ(drawn_guarded, drawn_tight) << where;
                EXPECT_EQ(drawn_guarded, chart.draw != RasterHSVChart || size[1] >= 2) << where;
                if (drawn_guarded) EXPECT_EQ(g.FirstDifference(g.Expected(initial, ref)), "") << where;
                else EXPECT_EQ(g.bytes, initial) << where;
            }
}

}  // namespace
