// Images at the edges of what can be made, in the running program on the headless backend:
// the memory test of creation (a pure function, then live images counted together), resizes
// that cannot be made and leave the image as it was, zoom steps from the lowest zooms, and
// the grey chart repainting an 8-bit window.
#include <stdint.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imagewin/image_memory.h"
#include "imagewin/image_table.h"
#include "platform/draw/surface.h"
#include "platform/window/input.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "support/harness.h"
#include "support/image_access.h"
#include "support/program_fixture.h"
#include "support/worker_jobs.h"

extern "C" void UserSetup(void) { StartRequested.store(1); }
extern "C" void UserMain(void) { ServeJobsUntilExit(); }

// The thread sanitizer's allocator clears every page it hands out, so under it an image
// buffer takes its whole size at once.
#if defined(__SANITIZE_THREAD__)
#define PAGES_TOUCHED_AT_ALLOCATION 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define PAGES_TOUCHED_AT_ALLOCATION 1
#endif
#endif

namespace {

const uint64_t NONE = UINT64_MAX;
const uint64_t GB = 1ull << 30;

TEST(ImageMemory, LiveAndNewBuffersAgainstBothLimits) {
    const struct { uint64_t live, fresh, available, room; int fits; } cases[] = {
        {0, 100, 100, NONE, 1},            // exactly the available memory
        {0, 101, 100, NONE, 0},
        {50, 50, 100, NONE, 1},
        {51, 50, 100, NONE, 0},            // the live buffers count too
        {50, 50, NONE, 100, 1},
        {51, 50, NONE, 100, 0},            // the control group's room likewise
        {40, 50, 100, 80, 0},              // the tighter of the two decides
        {0, 10, NONE, NONE, 1},
        {NONE, 1, NONE, NONE, 0},          // sums past 64 bits never wrap into a fit
        {1, NONE, NONE, NONE, 0},
        {0, 1, 100, 0, 0},                 // a group already at its limit
        {4 * GB, 2 * GB, 100 * GB, 5 * GB, 0},   // a third 2 GB image in a 5 GB group
        {2 * GB, 2 * GB, 100 * GB, 5 * GB, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitsInMemory(c.live, c.fresh, MemoryLimits{c.available, c.room}), c.fits)
            << c.live << " + " << c.fresh << " in " << c.available << " / " << c.room;
    EXPECT_EQ(ImageBufferBytes(5, 3, 8), 24u);        // rows padded to 8 bytes
    EXPECT_EQ(ImageBufferBytes(5, 3, 32), 60u);
    EXPECT_EQ(ImageBufferBytes(0, -4, 32), 4u);       // sizes below 1 count as 1
    EXPECT_EQ(ImageBufferBytes(100000, 100000, 32), 40000000000u);
}


using ImageLimitsRun = ProgramTest;

// Two images that each fit in memory but not together: the second is refused, and made once
// the first is gone. The buffers are never touched, so they take no memory while they live.
TEST_F(ImageLimitsRun, LiveImagesAreCountedTogether) {
#if defined(PAGES_TOUCHED_AT_ALLOCATION)
    GTEST_SKIP() << "buffers this large would be touched whole by the allocator";
#endif
    const MemoryLimits l = ReadMemoryLimits();
    const uint64_t limit = l.available < l.cgroup_room ? l.available : l.cgroup_room;
    // 60% of what remains, 200000 rows high: at 1% a view of at most 3840 x 2000, which the
    // free-size limits (twice the screen) take.
    const int height = 200000;
    const uint64_t width = limit / 10 * 6 / (4ull * height);
    ASSERT_GE(width, 1u);
    ASSERT_LE(width, 384000u) << "more memory than one image of this height can use";
    const int w = (int)width;
    ASSERT_EQ(Ask<int>([=] { return PXK_CreateImageFL(1, "first", 0, 0, w, height, 1); }), 0);
    EXPECT_EQ(Ask<int>([=] { return PXK_CreateImageFL(2, "second", 400, 0, w, height, 1); }), 3);
    EXPECT_EQ(ImageInUse(2), 0);
    EXPECT_TRUE(DriverWaitIdle());
    EXPECT_EQ(DriverFindWindow("second(1%)"), 0u);
    ASSERT_EQ(Ask<int>([] { return PXK_DestroyImage(1); }), 0);
    EXPECT_EQ(Ask<int>([=] { return PXK_CreateImageFL(2, "second", 400, 0, w, height, 1); }), 0);
    EXPECT_EQ(Ask<int>([] { return PXK_DestroyImage(2); }), 0);
}

// A new size that no zoom can show (1365 x 15000 needs 10% for the smallest width and is
// then 1500 rows high) or that memory cannot hold is refused before anything is given up:
// the image, its window, its place, caption and pixels stay as they were.
TEST_F(ImageLimitsRun, RefusedResizeLeavesTheImageAsItWas) {
    const MemoryLimits l = ReadMemoryLimits();
    const uint64_t limit = l.available < l.cgroup_room ? l.available : l.cgroup_room;
    struct Case { int width, height, code; };
    std::vector<Case> cases = {{1365, 15000, 2}};
    // The largest shape that fits the screen at 1%: 190000 x 105000, 79.8 GB.
    if (limit < 190000ull * 105000ull * 4) cases.push_back({190000, 105000, 3});

    ASSERT_EQ(Ask<int>([] { return PXK_CreateImage(0, "kept", 40, 60, 300, 200, 100); }), 0);
    OnWorker([] {
        uint32_t* p = (uint32_t*)image_pixels[0];
        for (int i = 0; i < 300 * 200; i++) p[i] = (uint32_t)(i * 2654435761u) & 0xFFFFFF;
        PXK_SetStretchMode(4, 0);
        PXK_RedrawImage(0);
    });
    ASSERT_EQ(Ask<int>([] { return PXK_CreateImage(1, "other", 700, 60, 100, 100, 100); }), 0);
    ASSERT_TRUE(DriverWaitIdle());
    const WindowId w = ImageWindow(0);
    const PlatRect rect = DriverWindowRect(w);
    int pw = 0, ph = 0;
    const std::vector<uint32_t> before = ShownColors(w, &pw, &ph);
    ASSERT_EQ(pw, 300);

    for (const Case& c : cases) {
        EXPECT_EQ(Ask<int>([=] { return PXK_ResizeImage(0, c.width, c.height); }), c.code) << c.width;
        ASSERT_TRUE(DriverWaitIdle());
        EXPECT_EQ(ImageInUse(0), 1) << c.width;
        EXPECT_EQ(ImageWindow(0), w) << c.width;
        EXPECT_EQ(Ask<int>([] { return image_table[0].width * 1000 + image_table[0].height; }), 300200);
        EXPECT_EQ(Ask<int>([] { return CurrentImageIndex(); }), 1) << "the current image stays";
        EXPECT_EQ(DriverWindowText(w), "kept(100%)*");
        const PlatRect now = DriverWindowRect(w);
        EXPECT_TRUE(now.left == rect.left && now.top == rect.top && now.right == rect.right &&
                    now.bottom == rect.bottom) << c.width;
        int nw = 0, nh = 0;
        EXPECT_TRUE(ShownColors(w, &nw, &nh) == before) << c.width;
    }
}

// From 1% the wheel and the keypad step by one percent at a time, and down to 1% only.
TEST_F(ImageLimitsRun, ZoomStepsFromOnePercent) {
    ASSERT_EQ(Ask<int>([] { return PXK_CreateImageFL(0, "low", 100, 100, 2000, 1500, 1); }), 0);
    EXPECT_EQ(ImageZoom(0), 1);
    const WindowId w = ImageWindow(0);
    PlatSetForegroundWindow(w);
    const PlatRect c = DriverClientRectScreen(w);
    DriverSetModifiers(INPUT_MOD_CONTROL);
    DriverWheel(c.left + 2, c.top + 2, -120);
    ASSERT_TRUE(DriverWaitFor([] { return ImageZoom(0) == 2; }));
    DriverWheel(c.left + 2, c.top + 2, -120);
    ASSERT_TRUE(DriverWaitFor([] { return ImageZoom(0) == 3; }));
    EXPECT_EQ(DriverWindowText(w), "low(3%)");
    const PlatRect client = DriverClientRectScreen(w);
    EXPECT_EQ(RectWidth(client), 60);
    EXPECT_EQ(RectHeight(client), 45);
    const int down[] = {2, 1, 1};
    for (int expected : down) {
        DriverKey(KEY_SUBTRACT, INPUT_MOD_CONTROL);
        EXPECT_TRUE(DriverWaitIdle());
        ASSERT_EQ(ImageZoom(0), expected);
    }
    DriverKey(KEY_ADD, INPUT_MOD_CONTROL);
    ASSERT_TRUE(DriverWaitFor([] { return ImageZoom(0) == 2; }));
    DriverSetModifiers(0);
}

// The grey chart on an 8-bit image reaches the window without any further call: its colour
// table goes through PXK_SetPalette, which has the window repaint.
TEST_F(ImageLimitsRun, GreyChartRepaintsAnEightBitWindow) {
    ASSERT_EQ(Ask<int>([] { return PXK_CreateImage8(0, "grey", 10, 10, 256, 100, 100); }), 0);
    OnWorker([] {
        std::vector<PXK_Color> red(256, 0xFF0000);
        PXK_SetPalette(red.data(), 256);
    });
    const WindowId w = ImageWindow(0);
    ASSERT_TRUE(DriverWaitFor([=] { return (DriverClientPixel(w, 200, 90) & 0xFFFFFF) == 0xFF0000u; }));
    std::vector<uint32_t> want((size_t)256 * 100);
    for (int y = 0; y < 100; y++)
        for (int x = 0; x < 256; x++) {
            const uint32_t g = (uint32_t)(255 * x / 256) * 0x010101u;
            want[(size_t)y * 256 + x] = y < 50 ? g : 0xFFFFFF - g;
        }
    OnWorker([] { PXK_DrawGreyChart(); });
    EXPECT_TRUE(DriverWaitFor([&] {
        int cw = 0, ch = 0;
        return ShownColors(w, &cw, &ch) == want;
    }));
}

// A large sheet that nothing has written shows the colour of pixel value 0 (black, or the
// first entry of an 8-bit image's table) in every pixel of its stretched view, and one pixel
// written anywhere is seen: the sheet is stretched again, not taken for blank.
TEST_F(ImageLimitsRun, FreshLargeSheetShowsColourZeroUntilWritten) {
    const struct { int bits; uint32_t zero; } cases[] = {{32, 0}, {8, 0x123456}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bits);
        const int bits = c.bits;
        ASSERT_EQ(Ask<int>([=] { return PXK_CreateImageEx(1, "fresh", 0, 0, 6000, 6000, 100, bits, 1); }), 0);
        const uint32_t zero = c.zero;
        const bool untouched = Ask<bool>([=] {
            std::vector<PXK_Color> table(256, 0xFFFFFF);
            table[0] = zero;
            if (bits == 8) PXK_SetPalette(table.data(), 256);
            PXK_SetStretchMode(PXK_STRETCH_HALFTONE, 1);
            PXK_RedrawImage(1);
            return SurfaceUntouched(image_table[1].dib);
        });
#if !defined(PAGES_TOUCHED_AT_ALLOCATION)
        EXPECT_TRUE(untouched);
#endif
        const WindowId w = ImageWindow(1);
        ASSERT_TRUE(DriverWaitIdle());
        int cw = 0, ch = 0;
        std::vector<uint32_t> px = ShownColors(w, &cw, &ch);
        ASSERT_LT(cw, 6000);
        EXPECT_EQ(std::count(px.begin(), px.end(), zero), (long)px.size());
        EXPECT_FALSE(Ask<bool>([] {
            PXK_PutPixel(3000, 3000, 0xFFFFFF);
            PXK_RedrawImage(1);
            return SurfaceUntouched(image_table[1].dib);
        }));
        px = ShownColors(w, &cw, &ch);
        const long lit = (long)px.size() - std::count(px.begin(), px.end(), zero);
        EXPECT_GE(lit, 1);
        EXPECT_LE(lit, 4);   // the one pixel's share of at most two view columns and rows
        EXPECT_NE(px[(size_t)(3000 * ch / 6000) * cw + 3000 * cw / 6000], zero);
        ASSERT_EQ(Ask<int>([] { return PXK_DestroyImage(1); }), 0);
    }
}

}  // namespace
