// The view fit, the zoom steps and the caption format as plain functions, on the headless
// screen of 1920 x 1080 (work area = screen, caption 23, frame 4, smallest window 136 x 39).
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
