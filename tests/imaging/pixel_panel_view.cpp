// The inspector's drawing against references computed here from the image: the loupe cell
// by cell (colour, digits, hatching outside the image, the centre frame) and the histogram
// plot curve by curve from counts of a plain loop, for 8- and 32-bit images, at the centre
// and at two corners, in linear and log scale; and the text lines with the pixel's values
// and the statistics.
#include "image_fixture.h"

#include "imagewin/image_histogram.h"
#include "imaging/pixel_panel_view.h"

#include <math.h>
#include <random>

extern "C" void UserSetup(void) {}
extern "C" void UserMain(void) {}

namespace {

using InspectorViewTest = ImagingTest;

// A reference drawing: width x height colours, rows packed.
struct Picture {
    int w = 0, h = 0;
    std::vector<uint32_t> px;
    void Set(int x, int y, uint32_t c) { px[(size_t)y * w + x] = c; }
};

uint32_t Luma(uint32_t c) { return (19595 * (c >> 16) + 38470 * ((c >> 8) & 255) + 7471 * (c & 255) + 32768) >> 16; }

// The pixel an image shows at (x, y) as a colour, and its index for 8 bits.
uint32_t ColorAt(int slot, int x, int y, int* index) {
    const ImageRecord& r = image_table[slot];
    const uint8_t* row = image_pixels[slot] + (size_t)y * ImageStride(&r);
    if (r.bits == 32) return ((const uint32_t*)row)[x] & 0xFFFFFFu;
    uint32_t c;
    PlatGetColorTable(r.memory_dc, *index = row[x], 1, &c);
    return c;
}

// The loupe as the layout describes it, cells of 28 pixels: the colour, the values in digits
// of the contrasting ink, centred; cells off the image hatched; a white and black centre frame.
Picture ReferenceLoupe(int slot, int cx, int cy) {
    const ImageRecord& r = image_table[slot];
    Picture p{11 * 28, 11 * 28, std::vector<uint32_t>(11 * 28 * 11 * 28)};
    for (int j = 0; j < 11; j++)
        for (int i = 0; i < 11; i++) {
            const int x = cx + i - 5, y = cy + j - 5, x0 = i * 28, y0 = j * 28;
            const bool inside = x >= 0 && y >= 0 && x < r.width && y < r.height;
            int index = 0;
            const uint32_t c = inside ? ColorAt(slot, x, y, &index) : 0;
            for (int k = 0; k < 28 * 28; k++)
                p.Set(x0 + k % 28, y0 + k / 28, inside ? c : (k % 28 + k / 28) % 4 ? OUTSIDE_BACK : OUTSIDE_HATCH);
            if (!inside) continue;
            const uint32_t ink = Luma(c) >= 128 ? 0 : 0xFFFFFF;
            const std::vector<int> values =
                r.bits == 8 ? std::vector<int>{index} : std::vector<int>{(int)(c >> 16), (int)(c >> 8 & 255), (int)(c & 255)};
            for (size_t v = 0; v < values.size(); v++) {
                const std::string text = std::to_string(values[v]);
                const int left = x0 + (28 - (6 * (int)text.size() - 1)) / 2;
                const int top = y0 + (28 - (8 * (int)values.size() - 1)) / 2 + 8 * (int)v;
                for (size_t d = 0; d < text.size(); d++)
                    for (int k = 0; k < 35; k++)
                        if (loupe_digits[text[d] - '0'][k / 5] & (0x10 >> k % 5))
                            p.Set(left + 6 * (int)d + k % 5, top + k / 5, ink);
            }
        }
    for (int k = 0; k < 28; k++)
        for (int ring = 0; ring < 2; ring++)
            if (k >= ring && k <= 27 - ring) {
                const uint32_t c = ring ? 0x000000 : 0xFFFFFF;
                const int lo = 140 + ring, hi = 140 + 27 - ring;
                p.Set(140 + k, lo, c), p.Set(140 + k, hi, c), p.Set(lo, 140 + k, c), p.Set(hi, 140 + k, c);
            }
    return p;
}

// The plot area (256 x 100) from counts of a plain loop (32 bits Y, R, G, B; 8 bits the
// indices): bars for 8 bits, connected curves R, G, B, Y.
Picture ReferencePlot(int slot, bool log_scale) {
    const ImageRecord& r = image_table[slot];
    const bool eight = r.bits == 8;
    std::vector<std::vector<uint32_t>> counts(4, std::vector<uint32_t>(256, 0));
    for (int y = 0; y < r.height; y++)
        for (int x = 0; x < r.width; x++) {
            int index = 0;
            const uint32_t c = ColorAt(slot, x, y, &index);
            if (eight) counts[0][index]++;
            else counts[0][Luma(c)]++, counts[1][c >> 16]++, counts[2][(c >> 8) & 255]++, counts[3][c & 255]++;
        }
    uint32_t max = 0;
    for (int c = 0; c < (eight ? 1 : 4); c++)
        for (uint32_t v : counts[c]) max = std::max(max, v);
    auto height = [&](uint32_t n) {
        if (!n || !max) return 0;
        return log_scale ? (int)(99 * log1p((double)n) / log1p((double)max)) : (int)((uint64_t)n * 99 / max);
    };
    Picture p{256, 100, std::vector<uint32_t>(256 * 100, PLOT_BACK)};
    const uint32_t colors[4] = {0xFF4040, 0x40FF40, 0x4080FF, 0xFFFFFF};
    const int channels[4] = {1, 2, 3, 0};
    for (int k = 0; k < (eight ? 1 : 4); k++)
        for (int v = 0; v < 256; v++) {
            const auto& n = counts[eight ? 0 : channels[k]];
            const int h = height(n[v]), before = height(n[v ? v - 1 : 0]);
            if (eight && n[v]) for (int y = 99 - h; y <= 99; y++) p.Set(v, y, PLOT_INDEX);
            if (!eight) for (int y = 99 - std::max(h, before); y <= 99 - std::min(h, before); y++) p.Set(v, y, colors[k]);
        }
    return p;
}

std::string Compare(const Surface* view, int left, int top, const Picture& want) {
    for (int i = 0; i < want.w * want.h; i++) {
        const uint32_t got = ((const uint32_t*)SurfaceRow(view, top + i / want.w))[left + i % want.w] & 0xFFFFFFu;
        if (got != want.px[i])
            return "(" + std::to_string(i % want.w) + ", " + std::to_string(i / want.w) + ") is " + std::to_string(got) +
                   " not " + std::to_string(want.px[i]);
    }
    return "";
}

// A random image; for 8 bits a random colour table with dark and light entries.
void MakeRandomImage(int slot, int w, int h, int bits, std::mt19937* rng) {
    MakeTestImage(slot, w, h, bits);
    std::vector<uint8_t> bytes(ImageBytes(slot).size());
    for (uint8_t& b : bytes) b = (uint8_t)((*rng)() % 7 * 40);   // few values: tall histogram peaks
    SetImageBytes(slot, bytes);
    if (bits == 8) {
        uint32_t table[256];
        for (uint32_t& e : table) e = (*rng)() & 0xFFFFFFu;
        PXK_SetPalette((const PXK_Color*)table, 256);
    }
}

TEST_F(InspectorViewTest, LoupeAndPlotMatchReferencesFromTheImage) {
    std::mt19937 rng(7);
    Surface* view = nullptr;
    ASSERT_EQ(PlatCreateSurface(&view, INSPECTOR_WIDTH, INSPECTOR_HEIGHT, 32), 0);
    struct Case { int bits, x, y; bool log_scale; };
    const Case cases[] = {{32, 11, 8, false}, {32, 0, 0, true}, {32, 22, 16, false},
                          {8, 11, 8, true}, {8, 0, 16, false}, {8, 22, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits at " << c.x << ", " << c.y << (c.log_scale ? " log" : ""));
        MakeRandomImage(1, 23, 17, c.bits, &rng);
        InspectorSnapshot s{};
        GatherInspectorPixels(1, true, c.x, c.y, &s);
        ASSERT_EQ(CountImageChannels(1, c.bits == 8 ? 1u : 0xFu, s.counts), 0);
        s.has_counts = true;
        s.log_scale = c.log_scale;
        RenderInspector(view, s);
        EXPECT_EQ(Compare(view, LOUPE_LEFT, LOUPE_TOP, ReferenceLoupe(1, c.x, c.y)), "") << "loupe";
        EXPECT_EQ(Compare(view, PLOT_LEFT, PLOT_TOP, ReferencePlot(1, c.log_scale)), "") << "plot";
    }
    PlatDestroySurface(view);
}

TEST_F(InspectorViewTest, TextLinesGiveThePixelAndTheStatistics) {
    MakeTestImage(2, 4, 2, 32);
    SetImageBytes(2, {0, 0x80, 0xFF, 0, 0x10, 0x20, 0x30, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0,
                      1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0});
    InspectorSnapshot s{};
    GatherInspectorPixels(2, true, 0, 0, &s);
    ASSERT_EQ(CountImageChannels(2, 0xFu, s.counts), 0);
    s.has_counts = true;
    char lines[INSPECTOR_TEXT_LINES][INSPECTOR_TEXT_CHARS + 1];
    InspectorTextLines(s, lines);
    // (255, 128, 0): Y = (19595 * 255 + 38470 * 128 + 32768) >> 16 = 151; H 30, S 255, V 255.
    // The statistics from the pixels' values themselves, not from a histogram.
    std::vector<std::string> want = {"Image 2: ", "4 x 2, 32 bits, zoom 100%", "x 0, y 0", "RGB 255 128 0  0xFF8000",
                                     "Y 151  H 30  S 255  V 255", "      min..max    mean      sd "};
    const char* names[4] = {"Y", "R", "G", "B"};
    for (int c = 0; c < 4; c++) {
        std::vector<double> v;
        for (int i = 0; i < 8; i++) {
            int unused;
            const uint32_t p = ColorAt(2, i % 4, i / 4, &unused);
            v.push_back(c == 0 ? Luma(p) : p >> (24 - 8 * c) & 255);
        }
        double mean = 0, var = 0;
        for (double x : v) mean += x / v.size();
        for (double x : v) var += (x - mean) * (x - mean) / v.size();
        char line[64];
        snprintf(line, sizeof line, "%-5s %3d..%3d %7.2f %7.2f", names[c], (int)*std::min_element(v.begin(), v.end()),
                 (int)*std::max_element(v.begin(), v.end()), mean, sqrt(var));
        want.push_back(line);
    }
    EXPECT_EQ(want[7], "R       0..255   71.25  107.11");
    for (int k = 0; k < INSPECTOR_TEXT_LINES; k++) EXPECT_EQ(lines[k], want[k]) << "line " << k;
    // 8 bits: the index, its table colour, the index statistics; off the image: "(outside)".
    MakeTestImage(3, 3, 1, 8);
    SetImageBytes(3, {9, 9, 200, 0});
    GatherInspectorPixels(3, true, 2, 0, &s);
    ASSERT_EQ(CountImageChannels(3, 1u, s.counts), 0);
    InspectorTextLines(s, lines);
    EXPECT_STREQ(lines[3], "Index 200  0xC8C8C8");
    EXPECT_STREQ(lines[4], "RGB 200 200 200  Y 200");
    EXPECT_STREQ(lines[6], "Index   9..200   72.67   90.04");
    GatherInspectorPixels(3, true, 3, 0, &s);
    InspectorTextLines(s, lines);
    EXPECT_STREQ(lines[2], "x 3, y 0 (outside)");
    EXPECT_STREQ(lines[3], "");
}

}  // namespace
