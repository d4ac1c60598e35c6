// PXK_GetHistogram against a plain per-pixel loop on random images of both depths, small
// (one band) and large (shared over the row pool), with a random colour table for 8 bits;
// and every refusal code.
#include "imaging/image_fixture.h"

#include <random>

// The program entries the library expects; this test never starts the program.
extern "C" void UserSetup(void) {}
extern "C" void UserMain(void) {}

namespace {

using HistogramTest = ImagingTest;

uint32_t ReferenceValue(const ImageRecord& r, int x, int y, int channel) {
    const uint8_t* row = image_pixels[&r - image_table] + (size_t)y * ImageStride(&r);
    uint32_t p;
    if (r.bits == 8) {
        if (channel == 0) return row[x];
        PlatGetColorTable(r.memory_dc, row[x], 1, &p);
    } else {
        p = ((const uint32_t*)row)[x] & 0xFFFFFFu;
    }
    const uint32_t R = p >> 16, G = (p >> 8) & 255, B = p & 255;
    const uint32_t values[4] = {(19595 * R + 38470 * G + 7471 * B + 32768) >> 16, R, G, B};
    return values[channel];
}

TEST_F(HistogramTest, EveryChannelMatchesAPlainLoop) {
    struct Case { int width, height, bits; bool uniform; };
    const Case cases[] = {{37, 23, 8, false}, {37, 23, 32, false}, {1031, 517, 8, false},
                          {1031, 517, 32, false}, {640, 480, 32, true}};
    std::mt19937 rng(31);
    int slot = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " bits " << c.bits);
        MakeTestImage(slot, c.width, c.height, c.bits);
        const ImageRecord& r = image_table[slot];
        std::vector<uint8_t> bytes(ImageBytes(slot).size());
        // The top byte of 32-bit words is set too: it must not count.
        for (uint8_t& b : bytes) b = c.uniform ? 0xA7 : (uint8_t)rng();
        SetImageBytes(slot, bytes);
        if (c.bits == 8) {
            uint32_t table[256];
            for (uint32_t& e : table) e = rng() & 0xFFFFFFu;
            PXK_SetPalette((const PXK_Color*)table, 256);
        }
        for (int channel = 0; channel < 4; channel++) {
            std::vector<unsigned> want(256, 0), got(256, 0xDEADu);
            for (int y = 0; y < r.height; y++)
                for (int x = 0; x < r.width; x++) want[ReferenceValue(r, x, y, channel)]++;
            ASSERT_EQ(PXK_GetHistogram(slot, channel, got.data()), 0);
            EXPECT_EQ(got, want) << "channel " << channel;
        }
        slot++;
    }
}

TEST_F(HistogramTest, RefusalsLeaveTheCountsAlone) {
    MakeTestImage(3, 4, 4, 32);
    struct Case { int index, channel; bool null_counts; int code; };
    const Case cases[] = {{-1, 0, false, 1}, {256, 0, false, 1}, {4, 0, false, 1}, {-1, 9, true, 1},
                          {3, -1, false, 2}, {3, 4, false, 2}, {3, 4, true, 2}, {3, 0, true, 3}, {3, 3, false, 0}};
    for (const Case& c : cases) {
        unsigned counts[256];
        for (unsigned& v : counts) v = 7;
        EXPECT_EQ(PXK_GetHistogram(c.index, c.channel, c.null_counts ? nullptr : counts), c.code)
            << c.index << " " << c.channel;
        EXPECT_EQ(counts[0], c.code == 0 ? 16u : 7u);
    }
}

}  // namespace
