// The view fit, the zoom steps and the caption format as plain functions, on the headless
// screen of 1920 x 1080 (work area = screen, caption 23, frame 4, smallest window 136 x 39).
#include <stdint.h>
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "imagewin/image_caption.h"
#include "imagewin/image_window.h"
#include "imagewin/view_fit.h"
#include "platform/backend.h"
#include "pxk.h"

// The program entries the library expects; this test never starts the program.
extern "C" void UserSetup(void) {}
extern "C" void UserMain(void) {}

namespace {

class ViewFitTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(PlatStartHeadless(1920, 1080, 32), 0); }
};

TEST_F(ViewFitTest, LimitsComeFromTheMetrics) {
    const ViewLimits fit = ImageViewLimits(1);
    EXPECT_EQ(fit.min_width, 128);    // 136 - 2 * 4
    EXPECT_EQ(fit.min_height, 8);     // 39 - 2 * 4 - 23
    EXPECT_EQ(fit.max_width, 1920);
    EXPECT_EQ(fit.max_height, 1057);  // 1080 - 23
    const ViewLimits free_size = ImageViewLimits(0);
    EXPECT_EQ(free_size.min_width, 1);
    EXPECT_EQ(free_size.min_height, 1);
    EXPECT_EQ(free_size.max_width, 3840);
    EXPECT_EQ(free_size.max_height, 2160);
}

TEST_F(ViewFitTest, LargePictureShrinksToTheScreen) {
    ViewFit f{};
    ASSERT_TRUE(FitImageView(4000, 3000, 100, 1, &f));
    EXPECT_EQ(f.zoom, 35);   // min(1920 / 40, 1057 / 30) = min(48, 35.23)
    EXPECT_EQ(f.view_width, 1400);
    EXPECT_EQ(f.view_height, 1050);
    // Twice the screen is allowed without the fit: 3840 / 40 = 96, 2160 / 30 = 72.
    ASSERT_TRUE(FitImageView(4000, 3000, 100, 0, &f));
    EXPECT_EQ(f.zoom, 72);
    EXPECT_EQ(f.view_width, 2880);
    EXPECT_EQ(f.view_height, 2160);
}

TEST_F(ViewFitTest, TinyPictureGrowsToTheSmallestWindow) {
    ViewFit f{};
    ASSERT_TRUE(FitImageView(1, 1, 100, 1, &f));
    EXPECT_EQ(f.zoom, 12800);
    EXPECT_EQ(f.view_width, 128);
    EXPECT_EQ(f.view_height, 128);
    // 500 x 4: at 100% the height 4 is below 8, so the zoom rises to 200%.
    ASSERT_TRUE(FitImageView(500, 4, 100, 1, &f));
    EXPECT_EQ(f.zoom, 200);
    EXPECT_EQ(f.view_width, 1000);
    EXPECT_EQ(f.view_height, 8);
    // Without the fit one pixel is enough.
    ASSERT_TRUE(FitImageView(1, 1, 100, 0, &f));
    EXPECT_EQ(f.zoom, 100);
    EXPECT_EQ(f.view_width, 1);
}

TEST_F(ViewFitTest, RequestsWithinTheLimitsAreKept) {
    ViewFit f{};
    ASSERT_TRUE(FitImageView(640, 480, 100, 1, &f));
    EXPECT_EQ(f.zoom, 100);
    EXPECT_EQ(f.view_width, 640);
    EXPECT_EQ(f.view_height, 480);
    ASSERT_TRUE(FitImageView(300, 200, 150, 1, &f));
    EXPECT_EQ(f.zoom, 150);
    EXPECT_EQ(f.view_width, 450);
    EXPECT_EQ(f.view_height, 300);
    // 333 at 111%: 369.63 -> zoom 111, view 369 (truncated).
    ASSERT_TRUE(FitImageView(333, 100, 111, 1, &f));
    EXPECT_EQ(f.zoom, 111);
    EXPECT_EQ(f.view_width, 369);
    EXPECT_EQ(f.view_height, 111);
}

TEST_F(ViewFitTest, ImpossibleShapesFail) {
    ViewFit f{-7, -7, -7};
    // 100000 x 1: the width allows at most 1.92%, the height needs 800%.
    EXPECT_FALSE(FitImageView(100000, 1, 100, 1, &f));
    EXPECT_EQ(f.zoom, -7);
    // 1000 x 4 needs 200% for its height, which makes it 2000 pixels wide.
    EXPECT_FALSE(FitImageView(1000, 4, 100, 1, &f));
    EXPECT_TRUE(FitImageView(1000, 4, 100, 0, &f));
    // A zoom whose product overflows 32 bits is clamped, not wrapped.
    ASSERT_TRUE(FitImageView(4000, 3000, 2000000, 1, &f));
    EXPECT_EQ(f.zoom, 35);
    // Zero and negative zooms ask for the smallest view.
    ASSERT_TRUE(FitImageView(640, 480, 0, 1, &f));
    EXPECT_EQ(f.zoom, 20);   // ceil(128 * 100 / 640)
    EXPECT_EQ(f.view_width, 128);
    ASSERT_TRUE(FitImageView(640, 480, -50, 1, &f));
    EXPECT_EQ(f.zoom, 20);
}

// The fit worked out the long way: the largest zoom not above the request whose exact view
// (size x zoom / 100, not truncated) stays within the maximum on both axes; when a truncated
// view is then below the minimum, the smallest zoom whose truncated views reach it, or no fit
// when that zoom passes the maximum.
bool ReferenceFit(int w, int h, int zoom, const ViewLimits& l, ViewFit* out) {
    int64_t z = zoom;
    while ((int64_t)w * z > 100LL * l.max_width || (int64_t)h * z > 100LL * l.max_height) z--;
    auto below = [&](int64_t k) { return k * w / 100 < l.min_width || k * h / 100 < l.min_height; };
    if (below(z)) {
        z = 1;
        while (below(z)) z++;
        if (z * w / 100 > l.max_width || z * h / 100 > l.max_height) return false;
    }
    *out = ViewFit{(int)z, (int)(z * w / 100), (int)(z * h / 100)};
    return true;
}

TEST_F(ViewFitTest, GridOfSizesAndZoomsMatchesTheLongWay) {
    const int sizes[] = {1, 2, 3, 7, 9, 50, 99, 100, 101, 333, 480, 640, 1000, 1365, 4000, 15000};
    const int zooms[] = {-5, 0, 1, 2, 3, 5, 33, 50, 99, 100, 101, 110, 111, 122, 123, 135, 137, 150, 152, 333, 1000};
    int checked = 0;
    for (int fit_screen = 0; fit_screen <= 1; fit_screen++) {
        const ViewLimits limits = ImageViewLimits(fit_screen);
        for (int w : sizes)
            for (int h : sizes)
                for (int z : zooms) {
                    ViewFit want{-1, -1, -1}, got{-1, -1, -1};
                    const bool fits = ReferenceFit(w, h, z, limits, &want);
                    ASSERT_EQ(FitImageView(w, h, z, fit_screen, &got), fits) << w << "x" << h << " at " << z;
                    if (!fits) continue;
                    ASSERT_EQ(got.zoom, want.zoom) << w << "x" << h << " at " << z << " fit " << fit_screen;
                    ASSERT_EQ(got.view_width, want.view_width) << w << "x" << h << " at " << z;
                    ASSERT_EQ(got.view_height, want.view_height) << w << "x" << h << " at " << z;
                    checked++;
                }
    }
    EXPECT_GT(checked, 8000);
}

// A request whose view fits is kept as asked, and the keyboard's steps from 100% follow.
TEST_F(ViewFitTest, FittingRequestsKeepTheirZoom) {
    ViewFit f{};
    ASSERT_TRUE(FitImageView(640, 480, 111, 1, &f));
    EXPECT_EQ(f.zoom, 111);
    EXPECT_EQ(f.view_width, 710);
    EXPECT_EQ(f.view_height, 532);
    const int steps[] = {111, 123, 137, 152, 169, 188, 209};   // 209% is the last that fits 1057 rows
    int zoom = 100;
    for (int expected : steps) {
        ASSERT_TRUE(FitImageView(640, 480, ZoomStepUp(zoom), 1, &f));
        EXPECT_EQ(f.zoom, expected);
        zoom = f.zoom;
    }
    ASSERT_TRUE(FitImageView(640, 480, ZoomStepUp(zoom), 1, &f));
    EXPECT_EQ(f.zoom, 220);   // floor(1057 * 100 / 480), the screen's limit
}

TEST(ZoomSteps, EveryStepMovesAtTheLowestZooms) {
    const struct { int from, up, down; } steps[] = {
        {1, 2, 1}, {2, 3, 1}, {3, 4, 2}, {4, 5, 3}, {5, 6, 4}, {6, 7, 5},
        {9, 10, 8}, {10, 11, 9}, {11, 12, 10}, {100, 111, 90}, {2147483647, 2147483647, 1932735282}};
    for (const auto& s : steps) {
        EXPECT_EQ(ZoomStepUp(s.from), s.up) << s.from;
        EXPECT_EQ(ZoomStepDown(s.from), s.down) << s.from;
    }
    for (int z = 1; z <= 100000; z++) {
        ASSERT_GT(ZoomStepUp(z), z) << z;
        if (z > 1) {
            ASSERT_LT(ZoomStepDown(z), z) << z;
        }
        ASSERT_GE(ZoomStepDown(z), 1) << z;
    }
}

TEST(ZoomSteps, UpAndDownFromOneHundred) {
    const int up[] = {111, 123, 137, 152};
    int z = 100;
    for (int expected : up) {
        z = ZoomStepUp(z);
        EXPECT_EQ(z, expected);
    }
    const int down[] = {90, 81, 73};
    z = 100;
    for (int expected : down) {
        z = ZoomStepDown(z);
        EXPECT_EQ(z, expected);
    }
}

std::string Caption(const char* title, int zoom, int bits, bool halftone, int size = 256) {
    char buf[256];
    memset(buf, 'Z', sizeof buf);
    const int n = FormatImageCaption(title, zoom, bits, halftone, buf, size);
    EXPECT_EQ(n, (int)strlen(buf));
    return buf;
}

TEST(ImageCaption, Formats) {
    EXPECT_EQ(Caption("test_pattern", 35, 32, true), "test_pattern(35%)*");
    EXPECT_EQ(Caption("test_pattern", 35, 32, false), "test_pattern(35%)");
    EXPECT_EQ(Caption("test_pattern", 100, 32, false), "test_pattern(100%)");
    EXPECT_EQ(Caption("007", 100, 8, false), "007(100%)[8bit]");
    EXPECT_EQ(Caption("007", 12800, 8, true), "007(12800%)[8bit]*");
    EXPECT_EQ(Caption("", 50, 32, false), "(50%)");
    EXPECT_EQ(Caption(nullptr, 50, 32, false), "(50%)");
}

TEST(ImageCaption, LongTitlesAreCutAtCharacterBoundaries) {
    const std::string ascii(300, 'a');
    std::string c = Caption(ascii.c_str(), 35, 8, true);
    ASSERT_EQ(c.size(), 255u);
    EXPECT_EQ(c.substr(255 - 12), "(35%)[8bit]*");
    EXPECT_EQ(c.substr(0, 243), std::string(243, 'a'));

    // Three-byte characters: 250 bytes of title room hold 83 of them (249 bytes), none split.
    std::string kana;
    for (int i = 0; i < 100; i++) kana += "\xE3\x81\x82";   // U+3042
    c = Caption(kana.c_str(), 35, 32, false);                   // suffix "(35%)": 5 bytes
    EXPECT_EQ(c.size(), 254u);
    EXPECT_EQ(c.substr(0, 249), kana.substr(0, 249));
    EXPECT_EQ(c.substr(249), "(35%)");

    // A small buffer is never overrun: 7 bytes leave one for the title.
    c = Caption("abcdef", 100, 32, false, 8);
    EXPECT_EQ(c, "a(100%)");
}

}  // namespace
