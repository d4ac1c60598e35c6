// The row reader, the profile plotter and the chroma plots on images made by hand: flat
// curves at the rows the component scales give, the two plotting modes, the chroma points of
// known colours, and the area plot against its polylines drawn one segment at a time. The
// commands' tests (pixel_info_run.cpp) cover the grey row and the two-colour rectangle.
#include <algorithm>
#include <random>

#include "image_fixture.h"
#include "imaging/color_profiles.h"

namespace {

enum { GRAPH = 0, SOURCE = 2 };

uint32_t Rgb(int r, int g, int b) { return (uint32_t)(r << 16 | g << 8 | b); }

std::vector<uint32_t> Pixels(int index) {
    const std::vector<uint8_t> bytes = ImageBytes(index);
    std::vector<uint32_t> v(bytes.size() / 4);
    memcpy(v.data(), bytes.data(), bytes.size());
    return v;
}

class ColorProfiles : public ImagingTest {};

TEST_F(ColorProfiles, RowReaderCopiesTheRowAndZeroesWhatLiesOutside) {
    MakeTestImage(SOURCE, 5, 3, 32);
    for (int x = 0; x < 5; x++) PXK_PutPixel(x, 1, Rgb(x, 2 * x, 200));
    std::vector<uint32_t> words(8, 0xAAAAAAAAu);
    ReadImageRow(words.data(), 1, 8);
    EXPECT_EQ(words, (std::vector<uint32_t>{Rgb(0, 0, 200), Rgb(1, 2, 200), Rgb(2, 4, 200), Rgb(3, 6, 200),
                                            Rgb(4, 8, 200), 0, 0, 0}));
    for (int y : {-1, 3}) {
        words.assign(8, 0xAAAAAAAAu);
        ReadImageRow(words.data(), y, 8);
        EXPECT_EQ(words, std::vector<uint32_t>(8, 0)) << y;
    }
    MakeTestImage(SOURCE, 3, 2, 8);
    for (int x = 0; x < 3; x++) PXK_PutPixel(x, 1, 7 + x);
    std::vector<uint8_t> bytes(5, 0xAA);
    ReadImageRow(bytes.data(), 1, 5);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{7, 8, 9, 0, 0}));
    FreeTestImage(SOURCE);
    bytes.assign(5, 0xAA);
    ReadImageRow(bytes.data(), 1, 5);
    EXPECT_EQ(bytes, std::vector<uint8_t>(5, 0xAA)) << "a free slot must leave the buffer alone";
}

TEST_F(ColorProfiles, FlatRowsGiveFlatCurvesAtTheirScaledRows) {
    const uint32_t white = 0xFFFFFF, grey = Rgb(128, 128, 128), hue359 = Rgb(255, 0, 4), hue180 = Rgb(0, 255, 255);
    const uint8_t byte_full[5] = {255, 255, 255, 255, 255};
    struct Case {
        uint32_t color;   // the row's colour (ignored for the byte selector)
        int selector;
        int row;
    } cases[] = {
        {white, 0x81, 0},  {white, 0x82, 0},  {white, 0x84, 0},   {white, 0x88, 127}, {white, 0x90, 127},
        {white, 0xA0, 0},  {grey, 0x280, 64}, {grey, 0x480, 64},  {grey, 0x180, 64},  {hue359, 0x88, 0},
        {hue180, 0x88, 64}, {0, 0x1080, 0},   {white, 0x1C1, 0},  {0, 0x81, 127},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.color << " selector " << c.selector);
        MakeTestImage(GRAPH, 12, 128, 32);
        const std::vector<uint32_t> row(5, c.color);
        PlotProfile(c.selector & PROFILE_BYTE ? (const void*)byte_full : row.data(), 3, 5, c.selector, 0x123456);
        const std::vector<uint32_t> got = Pixels(GRAPH);
        std::vector<uint32_t> want(12 * 128, 0);
        for (int x = 3; x < 8; x++) want[c.row * 12 + x] = 0x123456;
        EXPECT_TRUE(got == want);
    }
}

TEST_F(ColorProfiles, PointsStandAloneAndLinesJoinThem) {
    const uint32_t row[3] = {0, 0xFF0000, 0xFF0000};
    struct Case {
        int selector;
        int count;
        int lit;   // pixels drawn
    } cases[] = {{0x41, 3, 3}, {0x81, 3, 128 + 1}, {0x81, 1, 1}, {0x01, 3, 0}, {0x80, 3, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "selector " << c.selector << " count " << c.count);
        MakeTestImage(GRAPH, 3, 128, 32);
        PlotProfile(row, 0, c.count, c.selector, 0xFFFFFF);
        const std::vector<uint32_t> got = Pixels(GRAPH);
        EXPECT_EQ(std::count(got.begin(), got.end(), 0xFFFFFFu), c.lit);
        if (c.lit) {
            EXPECT_EQ(got[127 * 3], 0xFFFFFFu) << "point 0 sits on the bottom row";
        }
    }
}

TEST_F(ColorProfiles, ChromaPointsOfKnownColours) {
    struct Case {
        uint32_t color;
        int x, y;
    } cases[] = {{Rgb(255, 0, 0), 86, 0}, {Rgb(0, 0, 255), 256, 148}, {Rgb(128, 128, 128), 128, 128}, {0, 128, 128}};
    for (const Case& c : cases) {
        const ChromaPoint p = ChromaOf(c.color);
        EXPECT_EQ(p.x, c.x) << std::hex << c.color;
        EXPECT_EQ(p.y, c.y) << std::hex << c.color;
    }
}

// The plot converts four colours at a time, skips segments it drew before and stores the far
// end of a one-pixel step alone; the result must be that of drawing every segment, on a
// smooth rectangle with a little noise in every channel and on pure noise, with rows longer
// than one conversion chunk, on 32- and 8-bit images.
TEST_F(ColorProfiles, AreaPlotEqualsEverySegmentDrawn) {
    std::mt19937 rng(7);
    const int w = 263, h = 24;
    for (int noise : {0, 1}) {
        std::vector<uint32_t> rect(w * h);
        for (int i = 0; i < w * h; i++) {
            const int x = i % w, y = i / w, n = (int)(rng() % 5) - 2;
            rect[i] = noise ? rng() & 0xFFFFFF : Rgb(x * 255 / w, std::clamp(y * 10 + n, 0, 255), std::clamp(128 + n, 0, 255));
        }
        for (int bits : {32, 8}) {
            SCOPED_TRACE(testing::Message() << "noise " << noise << ", " << bits << "-bit");
            MakeTestImage(GRAPH, 256, 256, bits);
            PlotAreaChroma(h, rect.data(), w);
            const std::vector<uint8_t> got = ImageBytes(GRAPH);
            MakeTestImage(GRAPH, 256, 256, bits);
            PlotRowChroma(nullptr, 0);   // the frame alone
            for (int j = 0; j < h; j++) {
                ChromaPoint p = ChromaOf(rect[j * w]);
                PXK_PutPixel(p.x, p.y, 0xFFFFFF);
                for (int i = 1; i < w; i++) {
                    const ChromaPoint q = ChromaOf(rect[j * w + i]);
                    PXK_DrawLine(0xFFFFFF, p.x, p.y, q.x, q.y);
                    p = q;
                }
            }
            EXPECT_TRUE(got == ImageBytes(GRAPH));
        }
    }
}

}  // namespace
