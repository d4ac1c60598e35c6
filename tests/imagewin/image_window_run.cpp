// The image store and image window in the running program on the headless backend: images
// are made by the worker thread (jobs handed to UserMain below) and the windows are driven
// and read through the test driver.
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imagewin/image_table.h"
#include "imagewin/image_commands.h"
#include "imagewin/point_input.h"
#include "platform/draw/draw.h"
#include "platform/window/input.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/run_control.h"
#include "support/harness.h"
#include "support/image_access.h"
#include "support/program_fixture.h"
#include "support/worker_jobs.h"

namespace {

}  // namespace

extern "C" void UserSetup(void) { StartRequested.store(1); }

extern "C" void UserMain(void) { ServeJobsUntilExit(); }

namespace {

int Create(int index, const char* title, int x, int y, int w, int h, int zoom, int bits = 32) {
    return Ask<int>([=] { return PXK_CreateImageEx(index, title, x, y, w, h, zoom, bits, 1); });
}


std::string Caption(int index) { return DriverWindowText(ImageWindow(index)); }

PlatSize ClientSize(WindowId w) {
    const PlatRect r = DriverClientRectScreen(w);
    return PlatSize{RectWidth(r), RectHeight(r)};
}

uint32_t PatternColor(int x, int y) {
    return (uint32_t)(((x * 7) & 255) << 16 | ((y * 13) & 255) << 8 | ((x + 3 * y) & 255));
}

// Fills the current 32-bit image with the test pattern.
void FillPattern(int index) {
    OnWorker([=] { WriteImagePixels(index, PatternColor); });
}

std::vector<uint32_t> ShownPixels(int index, int* w, int* h) {
    OnWorker([=] { PXK_RedrawImage(index); });
    EXPECT_TRUE(DriverWaitIdle());
    return ShownColors(ImageWindow(index), w, h);
}

using ImageWindowRun = ProgramTest;

// ---- Creation ----------------------------------------------------------------------------

TEST_F(ImageWindowRun, LargeImageFitsTheScreenAndCaptionsItsZoom) {
    ASSERT_EQ(Create(0, "test_pattern", 10, 10, 4000, 3000, 100), 0);
    EXPECT_EQ(ImageZoom(0), 35);
    const WindowId w = ImageWindow(0);
    ASSERT_NE(w, 0u);
    const PlatSize client = ClientSize(w);
    EXPECT_EQ(client.cx, 1400);
    EXPECT_EQ(client.cy, 1050);
    const PlatRect outer = DriverWindowRect(w);
    EXPECT_EQ(outer.left, 10);
    EXPECT_EQ(outer.top, 10);
    EXPECT_EQ(RectWidth(outer), 1400 + 8);
    EXPECT_EQ(RectHeight(outer), 1050 + 8 + 23);
    EXPECT_EQ(Caption(0), "test_pattern(35%)");
    EXPECT_EQ(CurrentImage(), 0);

    // Tab toggles the stretch mode and the "*" of the caption.
    PlatSetForegroundWindow(w);
    DriverKey(KEY_TAB);
    ASSERT_TRUE(DriverWaitFor([] { return Caption(0) == "test_pattern(35%)*"; }));
    EXPECT_EQ(Ask<int>([] { return PXK_GetStretchMode(0); }), 4);
    DriverKey(KEY_TAB);
    ASSERT_TRUE(DriverWaitFor([] { return Caption(0) == "test_pattern(35%)"; }));
    EXPECT_EQ(Ask<int>([] { return PXK_GetStretchMode(0); }), 3);
}

TEST_F(ImageWindowRun, EightBitCaptionAndTinyImage) {
    ASSERT_EQ(Ask<int>([] { return PXK_CreateImage8(7, "007", 50, 50, 200, 100, 100); }), 0);
    EXPECT_EQ(Caption(7), "007(100%)[8bit]");
    ASSERT_EQ(Ask<int>([] { return PXK_CreateImage(8, "dot", 400, 50, 1, 1, 100); }), 0);
    EXPECT_EQ(ImageZoom(8), 12800);
    EXPECT_EQ(Caption(8), "dot(12800%)");
    const PlatSize client = ClientSize(ImageWindow(8));
    EXPECT_EQ(client.cx, 128);
    EXPECT_EQ(client.cy, 128);
    EXPECT_EQ(CurrentImage(), 8);
}

TEST_F(ImageWindowRun, RefusedCreationsLeaveTheSlotFree) {
    EXPECT_EQ(Create(300, "x", -1, -1, 10, 10, 100), 4);
    EXPECT_EQ(Create(-1, "x", -1, -1, 10, 10, 100), 4);
    EXPECT_EQ(Ask<int>([] { return PXK_CreateImage(256, "x", -1, -1, 10, 10, 100); }), 4);
    EXPECT_EQ(Create(3, "x", -1, -1, 10, 10, 100, 24), 3);
    EXPECT_EQ(ImageInUse(3), 0);

    // Too large for memory: refused with 3, and the window made for it is gone again.
    EXPECT_EQ(Create(4, "huge", -1, -1, 190000, 105000, 100), 3);
    EXPECT_EQ(ImageInUse(4), 0);
    EXPECT_TRUE(DriverWaitIdle());
    EXPECT_EQ(DriverFindWindow("huge(1%)"), 0u);

    // Sizes below 1 become 1; a slot in use is left alone.
    ASSERT_EQ(Create(5, "thin", 100, 100, 0, -20, 100), 0);
    EXPECT_EQ(Ask<int>([] { return image_table[5].width * 1000 + image_table[5].height; }), 1001);
    EXPECT_EQ(Create(5, "other", 100, 100, 50, 50, 100), 1);
    EXPECT_EQ(Caption(5), "thin(12800%)");
}

TEST_F(ImageWindowRun, DestroyKeepsTheHistory) {
    ASSERT_EQ(Create(1, "one", 0, 0, 200, 100, 100), 0);
    ASSERT_EQ(Create(2, "two", 300, 0, 200, 100, 100), 0);
    ASSERT_EQ(Create(3, "three", 600, 0, 200, 100, 100), 0);
    EXPECT_EQ(CurrentImage(), 3);
    const WindowId w2 = ImageWindow(2);
    EXPECT_EQ(Ask<int>([] { return PXK_DestroyImage(2); }), 0);
    EXPECT_FALSE(PlatIsWindow(w2));
    EXPECT_EQ(Ask<int>([] { return PXK_DestroyImage(2); }), 1);
    EXPECT_EQ(Ask<int>([] { return PXK_DestroyImage(256); }), 1);
    EXPECT_EQ(CurrentImage(), 3);
    // The most recent history entry is the destroyed slot 2: popping onto it fails.
    EXPECT_EQ(Ask<int>([] { return PXK_SelectPreviousImage(); }), 1);
    EXPECT_EQ(CurrentImage(), 3);
    // Destroying the current image and popping makes the previous one current again.
    ASSERT_EQ(Ask<int>([] { return PXK_SelectImage(1) * 10 + PXK_SelectImage(3); }), 0);
    EXPECT_EQ(Ask<int>([] { return PXK_DestroyImage(3); }), 0);
    EXPECT_EQ(CurrentImage(), 3);
    EXPECT_EQ(Ask<int>([] { return PXK_SelectPreviousImage(); }), 0);
    EXPECT_EQ(CurrentImage(), 1);
    // Window look-ups: a live window finds its slot, a destroyed one finds nothing.
    const WindowId w1 = ImageWindow(1);
    EXPECT_EQ(Ask<int>([=] { return PXK_FindImageByWindow(w1); }), 1);
    EXPECT_EQ(Ask<int>([=] { return PXK_FindImageByWindow(w2); }), -1);
    EXPECT_EQ(Ask<int>([=] { return PXK_SelectImageByWindow(w2); }), -1);
    EXPECT_EQ(CurrentImage(), 1);
}

TEST_F(ImageWindowRun, ClosingTheWindowFreesTheSlot) {
    ASSERT_EQ(Create(9, "closing", 100, 100, 300, 200, 100), 0);
    const WindowId w = ImageWindow(9);
    InputClose(w);
    ASSERT_TRUE(DriverWaitFor([] { return ImageInUse(9) == 0; }));
    EXPECT_TRUE(DriverWaitFor([=] { return !PlatIsWindow(w); }));
}

// ---- Palette and reading -----------------------------------------------------------------

TEST_F(ImageWindowRun, PaletteAndRectangleReads) {
    ASSERT_EQ(Create(0, "rgb", 0, 0, 5, 3, 100), 0);
    EXPECT_EQ(Ask<int>([] { PXK_Color pal[256]; return PXK_GetPalette(pal); }), 2);
    ASSERT_EQ(Create(1, "idx", 300, 0, 5, 3, 100, 8), 0);
    std::vector<PXK_Color> pal(256);
    ASSERT_EQ(Ask<int>([&] { return PXK_GetPalette(pal.data()); }), 0);
    for (int i = 0; i < 256; i++) ASSERT_EQ(pal[i], i * 0x010101) << i;

    // Index 0 shows red, 1 green; the window follows at its next paint.
    const PXK_Color two[2] = {0xFF0000, 0x00FF00};
    ASSERT_EQ(Ask<int>([&] { return PXK_SetPalette(two, 2); }), 0);
    ASSERT_EQ(Ask<int>([&] { return PXK_GetPalette(pal.data()); }), 0);
    EXPECT_EQ(pal[0], 0xFF0000);
    EXPECT_EQ(pal[1], 0x00FF00);
    EXPECT_EQ(pal[2], 0x020202);
    EXPECT_TRUE(DriverWaitIdle());
    EXPECT_EQ(DriverClientPixel(ImageWindow(1), 3, 3) & 0xFFFFFF, 0xFF0000u);

    // 8-bit rows are padded to 8 bytes; a read past the edges gives zeros.
    OnWorker([] {
        uint8_t* p = image_pixels[1];
        for (int y = 0; y < 3; y++)
            for (int x = 0; x < 5; x++) p[y * 8 + x] = (uint8_t)(10 * y + x + 1);
    });
    std::vector<uint8_t> bytes(4 * 3, 0xEE);
    ASSERT_EQ(Ask<int>([&] { return PXK_ReadImageRect(bytes.data(), 3, 1, 4, 3); }), 0);
    const std::vector<uint8_t> expected = {14, 15, 0, 0, 24, 25, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(bytes, expected);
    std::vector<uint8_t> left(2, 0xEE);
    ASSERT_EQ(Ask<int>([&] { return PXK_ReadImageRect(left.data(), -1, 0, 2, 1); }), 0);
    EXPECT_EQ(left, (std::vector<uint8_t>{0, 1}));

    // With the current slot free nothing is read and the palette calls report 1.
    ASSERT_EQ(Ask<int>([] { return PXK_DestroyImage(1); }), 0);
    EXPECT_EQ(Ask<int>([&] { return PXK_GetPalette(pal.data()); }), 1);
    EXPECT_EQ(Ask<int>([&] { return PXK_SetPalette(two, 2); }), 1);
    std::vector<uint8_t> none(4, 0xEE);
    EXPECT_EQ(Ask<int>([&] { return PXK_ReadImageRect(none.data(), 0, 0, 4, 1); }), 1);
    EXPECT_EQ(none, (std::vector<uint8_t>(4, 0xEE)));

    // The size of any slot, not only the current one; a free slot reads as zeros.
    int size[3] = {-1, -1, -1};
    ASSERT_EQ(Ask<int>([&] { return PXK_GetImageSize(0, &size[0], &size[1], &size[2]); }), 0);
    EXPECT_EQ(std::vector<int>(size, size + 3), (std::vector<int>{5, 3, 32}));
    EXPECT_EQ(Ask<int>([&] { return PXK_GetImageSize(1, &size[0], &size[1], &size[2]); }), 1);
    EXPECT_EQ(std::vector<int>(size, size + 3), (std::vector<int>{0, 0, 0}));
}

// ---- Painting ----------------------------------------------------------------------------

// The area average of the halftone mode, computed the long way.
uint32_t AreaAverage(int dx, int dy, int sw, int sh, int dw, int dh) {
    int64_t sum[3] = {0, 0, 0};
    for (int sy = 0; sy < sh; sy++) {
        const int64_t wy = std::max<int64_t>(0, std::min<int64_t>((int64_t)(sy + 1) * dh, (int64_t)(dy + 1) * sh) -
                                                    std::max<int64_t>((int64_t)sy * dh, (int64_t)dy * sh));
        if (!wy) continue;
        for (int sx = 0; sx < sw; sx++) {
            const int64_t wx = std::max<int64_t>(0, std::min<int64_t>((int64_t)(sx + 1) * dw, (int64_t)(dx + 1) * sw) -
                                                        std::max<int64_t>((int64_t)sx * dw, (int64_t)dx * sw));
            if (!wx) continue;
            const uint32_t c = PatternColor(sx, sy);
            for (int k = 0; k < 3; k++) sum[k] += wx * wy * ((c >> (16 - 8 * k)) & 255);
        }
    }
    const int64_t t = (int64_t)sw * sh;
    uint32_t out = 0;
    for (int k = 0; k < 3; k++) out |= (uint32_t)((2 * sum[k] + t) / (2 * t)) << (16 - 8 * k);
    return out;
}

// The window shows the image one to one at 100%, by the nearest pixel at other zooms, and by
// the area average in the halftone mode (the default mode is the nearest pixel's).
TEST_F(ImageWindowRun, ShowsThePixelsOneToOneNearestOrAveraged) {
    const struct { int zoom, mode, width, height; } cases[] = {{100, 3, 300, 200}, {150, 3, 450, 300}, {70, 4, 210, 140}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "zoom " << c.zoom << " mode " << c.mode);
        Ask<int>([] { return PXK_DestroyImage(0); });
        ASSERT_EQ(Create(0, "shown", 20, 20, 300, 200, c.zoom), 0);
        if (c.mode == 4) {
            ASSERT_EQ(Ask<int>([] { return PXK_SetStretchMode(4, 0); }), 0);
            EXPECT_EQ(Caption(0), "shown(70%)*");
        }
        FillPattern(0);
        int w = 0, h = 0;
        const std::vector<uint32_t> px = ShownPixels(0, &w, &h);
        ASSERT_EQ(w, c.width);
        ASSERT_EQ(h, c.height);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                const uint32_t want = c.mode == 4 ? AreaAverage(x, y, 300, 200, w, h) : PatternColor(x * 300 / w, y * 200 / h);
                ASSERT_EQ(px[y * w + x], want) << x << "," << y;
            }
    }
    // Other modes leave the contexts alone.
    ASSERT_EQ(Ask<int>([] { return PXK_SetStretchMode(7, 0); }), 0);
    EXPECT_EQ(Ask<int>([] { return PXK_GetStretchMode(0); }), 4);
    EXPECT_EQ(Ask<int>([] { return PXK_SetStretchMode(3, 42); }), 1);
    EXPECT_EQ(Ask<int>([] { return PXK_GetStretchMode(42); }), 0);
}

// A paint draws only the damaged rectangle: after the window's pixels are overwritten behind
// its back, invalidating a strip repaints that strip, exactly as the full redraw shows it,
// and leaves the rest alone; a redraw outside a paint still draws everything.
TEST_F(ImageWindowRun, PaintDrawsOnlyTheDamagedStrip) {
    const uint32_t junk = 0x123456;
    for (int mode : {3, 4}) {
        ASSERT_EQ(Create(0, "strip", 20, 20, 300, 200, 141), 0);
        ASSERT_EQ(Ask<int>([=] { return PXK_SetStretchMode(mode, 0); }), 0);
        FillPattern(0);
        int w = 0, h = 0;
        const std::vector<uint32_t> full = ShownPixels(0, &w, &h);
        OnWorker([=] {
            const PlatRect all{0, 0, w, h};
            PlatFillRect(image_table[0].window_dc, &all, junk);
        });
        const WindowId win = ImageWindow(0);
        const PlatRect strip{30, 57, 250, 71};
        ASSERT_EQ(PlatInvalidateRect(win, &strip, false), 0);
        ASSERT_TRUE(DriverWaitFor([&] { return (DriverClientPixel(win, 100, 60) & 0xFFFFFF) != junk; }));
        ASSERT_TRUE(DriverWaitIdle());
        std::vector<uint32_t> px = DriverClientPixels(win, &w, &h);
        for (int y = 0; y < h; y++) {
            for (int x = 0; x < w; x++) {
                const bool inside = x >= strip.left && x < strip.right && y >= strip.top && y < strip.bottom;
                ASSERT_EQ(px[y * w + x] & 0xFFFFFF, inside ? full[y * w + x] : junk) << x << "," << y << " mode " << mode;
            }
        }
        EXPECT_EQ(ShownPixels(0, &w, &h), full) << "mode " << mode;
        ASSERT_EQ(Ask<int>([] { return PXK_DestroyImage(0); }), 0);
    }
}

// ---- Zoom --------------------------------------------------------------------------------

// Ctrl with the wheel, with the keypad's plus, minus and 0, and with the main keyboard's plus
// ("=" on its key), minus and 0 zooms in steps; the window stays where it is. Without Ctrl the
// wheel and the main keyboard's keys do nothing.
TEST_F(ImageWindowRun, CtrlWheelKeypadAndMainKeyboardZoom) {
    ASSERT_EQ(Create(0, "zoom", 100, 100, 400, 300, 100), 0);
    const WindowId w = ImageWindow(0);
    PlatSetForegroundWindow(w);
    ASSERT_TRUE(DriverWaitFor([=] { return PlatGetForegroundWindow() == w; }));
    const PlatRect c = DriverClientRectScreen(w);
    const int ctrl = INPUT_MOD_CONTROL;
    struct Step { int key, mods, wheel, zoom; };
    const Step steps[] = {
        {0, 0, -120, 100}, {0, ctrl, -120, 111}, {0, ctrl, -120, 123}, {KEY_NUMPAD0, ctrl, 0, 100}, {0, ctrl, 120, 90},
        {KEY_NUMPAD0, ctrl, 0, 100}, {KEY_ADD, ctrl, 0, 111}, {KEY_ADD, ctrl, 0, 123},
        {KEY_SUBTRACT, ctrl, 0, 111},   // (9 * 123 + 5) / 10
        {KEY_NUMPAD0, ctrl, 0, 100}, {KEY_OEM_PLUS, ctrl, 0, 111}, {KEY_OEM_PLUS, ctrl | INPUT_MOD_SHIFT, 0, 123},
        {KEY_ADD, ctrl, 0, 137}, {KEY_OEM_MINUS, ctrl, 0, 123}, {'0', ctrl, 0, 100}, {KEY_OEM_MINUS, ctrl, 0, 90},
        {KEY_SUBTRACT, ctrl, 0, 81}, {KEY_NUMPAD0, ctrl, 0, 100}, {KEY_OEM_PLUS, 0, 0, 100}, {KEY_OEM_PLUS, 0, 0, 100},
        {KEY_OEM_MINUS, ctrl, 0, 90}};
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "step " << &s - steps);
        if (s.wheel) {
            DriverSetModifiers(s.mods);
            DriverWheel(c.left + 10, c.top + 10, s.wheel);
            DriverSetModifiers(0);
        } else {
            DriverKey(s.key, s.mods);
        }
        EXPECT_TRUE(DriverWaitFor([&] { return ImageZoom(0) == s.zoom; }) && DriverWaitSettled()) << ImageZoom(0);
        EXPECT_EQ(Caption(0), "zoom(" + std::to_string(s.zoom) + "%)");
        EXPECT_EQ(ClientSize(w).cx, 400 * s.zoom / 100);
        EXPECT_EQ(ClientSize(w).cy, 300 * s.zoom / 100);
        EXPECT_EQ(DriverWindowRect(w).left, 100);
    }
    // The fit still applies: a huge request lands on the screen's limit.
    EXPECT_EQ(Ask<int>([] { return PXK_SetZoom(1000, 0); }), 0);
    EXPECT_EQ(ImageZoom(0), 352);   // 1057 * 100 / 300
    EXPECT_EQ(Ask<int>([] { return PXK_SetZoom(100, 256); }), 1);
}

// ---- Resize ------------------------------------------------------------------------------

TEST_F(ImageWindowRun, ResizeKeepsColourTableModeAndPlace) {
    ASSERT_EQ(Ask<int>([] { return PXK_CreateImage8(6, "grey", 150, 120, 300, 200, 100); }), 0);
    const PXK_Color colors[3] = {0x123456, 0xABCDEF, 0x00FF00};
    ASSERT_EQ(Ask<int>([&] { return PXK_SetPalette(colors, 3); }), 0);
    ASSERT_EQ(Ask<int>([] { return PXK_SetStretchMode(4, 6); }), 0);
    OnWorker([] { image_pixels[6][0] = 2; });
    ASSERT_EQ(Create(2, "other", 700, 120, 100, 100, 100), 0);
    EXPECT_EQ(CurrentImage(), 2);

    ASSERT_EQ(Ask<int>([] { return PXK_ResizeImage(6, 500, 400); }), 0);
    EXPECT_EQ(CurrentImage(), 6);
    EXPECT_EQ(Ask<int>([] { return image_table[6].width * 10000 + image_table[6].height; }), 5000400);
    EXPECT_EQ(Caption(6), "grey(100%)[8bit]*");
    const WindowId w = ImageWindow(6);
    const PlatRect outer = DriverWindowRect(w);
    EXPECT_EQ(outer.left, 150);
    EXPECT_EQ(outer.top, 120);
    EXPECT_EQ(ClientSize(w).cx, 500);
    std::vector<PXK_Color> pal(256);
    ASSERT_EQ(Ask<int>([&] { return PXK_GetPalette(pal.data()); }), 0);
    EXPECT_EQ(pal[0], 0x123456);
    EXPECT_EQ(pal[1], 0xABCDEF);
    EXPECT_EQ(pal[2], 0x00FF00);
    EXPECT_EQ(pal[3], 0x030303);
    EXPECT_EQ(Ask<int>([] { return (int)image_pixels[6][0]; }), 0);
    EXPECT_TRUE(DriverWaitIdle());
    EXPECT_EQ(DriverClientPixel(w, 0, 0) & 0xFFFFFF, 0x123456u);

    EXPECT_EQ(Ask<int>([] { return PXK_ResizeImage(5, 10, 10); }), 1);
    const WindowId old_window = w;
    // A shape no zoom can fit on the screen is refused and the image stays: 1920 x 4 needs
    // 200% for the smallest view height and is then twice as wide as the screen.
    EXPECT_EQ(Ask<int>([] { return PXK_ResizeImage(6, 1920, 4); }), 2);
    EXPECT_EQ(ImageInUse(6), 1);
    EXPECT_EQ(ImageWindow(6), old_window);
    EXPECT_TRUE(PlatIsWindow(old_window));
}

// ---- Moving and sizing -------------------------------------------------------------------

TEST_F(ImageWindowRun, MovingWithControlSnapsAndTheBorderDoesNotSize) {
    ASSERT_EQ(Create(0, "mover", 300, 400, 300, 200, 100), 0);
    const WindowId w = ImageWindow(0);
    PlatRect r = DriverWindowRect(w);
    const int gx = r.left + 60, gy = r.top + 10;   // a point on the caption

    // Without Ctrl the window goes exactly where it is dragged.
    DriverDrag(gx, gy, gx - (r.left - 5), gy);
    ASSERT_TRUE(DriverWaitFor([=] { return DriverWindowRect(w).left == 5; }));

    // Back, then the same drag with Ctrl held docks against the screen's left edge.
    r = DriverWindowRect(w);
    DriverDrag(r.left + 60, r.top + 10, r.left + 60 + 295, r.top + 10);
    ASSERT_TRUE(DriverWaitFor([=] { return DriverWindowRect(w).left == 300; }));
    r = DriverWindowRect(w);
    DriverSetModifiers(INPUT_MOD_CONTROL);
    DriverDrag(r.left + 60, r.top + 10, r.left + 60 - 295, r.top + 10);
    DriverSetModifiers(0);
    ASSERT_TRUE(DriverWaitFor([=] { return DriverWindowRect(w).left == 0; }));
    EXPECT_EQ(ClientSize(w).cx, 300);

    // Dragging the right border leaves the size alone.
    r = DriverWindowRect(w);
    DriverDrag(r.right - 2, (r.top + r.bottom) / 2, r.right + 80, (r.top + r.bottom) / 2 + 40);
    EXPECT_TRUE(DriverWaitIdle());
    const PlatRect after = DriverWindowRect(w);
    EXPECT_EQ(RectWidth(after), RectWidth(r));
    EXPECT_EQ(RectHeight(after), RectHeight(r));
    EXPECT_EQ(ClientSize(w).cx, 300);
    EXPECT_EQ(ClientSize(w).cy, 200);
}

// ---- Keys and buttons handed on ----

TEST_F(ImageWindowRun, ShortcutsRunTheirCommandsAndPlainKeysGoToTheMainWindow) {
    ASSERT_EQ(Create(0, "keys", 100, 100, 300, 200, 100), 0);
    FillPattern(0);
    int w0 = 0, h0 = 0;
    const std::vector<uint32_t> before = ShownPixels(0, &w0, &h0);
    const WindowId w = ImageWindow(0);
    // Ctrl+C copies (rather than reaching the main window as Stop), Ctrl+X cuts to black,
    // Ctrl+V pastes the copy back at the corner. Ctrl+R starts Clipping's rectangle tool,
    // which the right button cancels with the image unchanged.
    const std::vector<uint32_t> black(before.size(), 0);
    DriverSetModifiers(INPUT_MOD_CONTROL);
    for (const auto& [key, shown] : {std::pair{'C', &before}, {'X', &black}, {'V', &before}, {'R', &before}}) {
        PlatSetForegroundWindow(w);
        DriverKey(key, INPUT_MOD_CONTROL);
        ASSERT_TRUE(DriverWaitIdle());
        if (key == 'R') {
            ASSERT_EQ(point_tool_active.load(), 1);
            const PlatRect c = DriverClientRectScreen(w);
            DriverClick(c.left + 5, c.top + 5, BUTTON_RIGHT);
            ASSERT_TRUE(DriverWaitFor([] { return point_tool_active.load() == 0; }));
        }
        int wi = 0, hi = 0;
        EXPECT_TRUE(DriverWaitFor([&] { return ShownPixels(0, &wi, &hi) == *shown; })) << key;
    }
    EXPECT_EQ(StopRequested.load(), 0);
    // Ctrl+Q destroys the image and its window.
    PlatSetForegroundWindow(w);
    DriverKey('Q', INPUT_MOD_CONTROL);
    DriverSetModifiers(0);
    ASSERT_TRUE(DriverWaitFor([w] { return !PlatIsWindow(w); }));
    EXPECT_EQ(ImageInUse(0), 0);

    // Plain C is the main window's Stop, and Escape its Exit.
    ASSERT_EQ(Create(1, "keys", 100, 100, 300, 200, 100), 0);
    PlatSetForegroundWindow(ImageWindow(1));
    DriverKey('C');
    ASSERT_TRUE(DriverWaitFor([] { return StopRequested.load() == 1; }));
    PlatSetForegroundWindow(ImageWindow(1));
    DriverKey(KEY_ESCAPE);
    EXPECT_EQ(WaitProgramEnd(), 0);
}

TEST(ImageCommands, EveryMenuAndShortcutIdHasARowAndUnlistedIdsNone) {
    // The ids the shortcuts post and the built zoom and destroy rows.
    for (int id : {1005, 1011, 1012, 1014, 1019}) EXPECT_NE(FindImageCommand(id), nullptr) << id;
    for (int id : {1005, 1007, 1008, 1009}) EXPECT_NE(FindImageCommand(id)->run, nullptr) << id;
    // Ids inside the range that no menu uses, and ids outside it.
    for (int id : {1003, 1006, 1020, 1023, 1030, 1033, 1044, 1045, 1050, 1051, 1056, 1057, 1069, 1072})
        EXPECT_EQ(FindImageCommand(id), nullptr) << id;
    int rows = 0;
    for (int id = 1004; id <= 1071; id++) rows += FindImageCommand(id) != nullptr;
    EXPECT_EQ(rows, 68 - 18);
}

// ---- Point-tool input --------------------------------------------------------------------

TEST_F(ImageWindowRun, MouseFeedsThePointToolOfItsTarget) {
    ASSERT_EQ(Create(0, "target", 100, 100, 200, 150, 200), 0);
    ASSERT_EQ(Create(1, "bystander", 700, 100, 200, 150, 100), 0);
    const WindowId w = ImageWindow(0);
    OnWorker([] {
        ResetPointToolInput();
        point_input.point_mode = 1;
        point_input.target_image = 0;
    });
    const PlatRect c = DriverClientRectScreen(w);
    DriverMovePointer(c.left + 51, c.top + 31);
    ASSERT_TRUE(DriverWaitFor([] { return Ask<int>([] { return point_input.move_flag; }) == 1; }));
    EXPECT_EQ(Ask<int>([] { return point_input.move_x * 1000 + point_input.move_y; }), 25015);

    DriverSetModifiers(INPUT_MOD_SHIFT);
    DriverClick(c.left + 100, c.top + 61);
    DriverSetModifiers(0);
    ASSERT_TRUE(DriverWaitFor([] { return Ask<int>([] { return point_input.click_flag; }) == 1; }));
    EXPECT_EQ(Ask<int>([] { return point_input.click_x * 1000 + point_input.click_y; }), 50030);
    EXPECT_EQ(Ask<int>([] { return point_input.click_shift; }), 1);

    DriverClick(c.left + 10, c.top + 10, BUTTON_RIGHT);
    ASSERT_TRUE(DriverWaitFor([] { return Ask<int>([] { return point_input.right_flag; }) == 1; }));

    // Keys do nothing while the tool runs.
    PlatSetForegroundWindow(w);
    DriverKey(KEY_TAB);
    EXPECT_TRUE(DriverWaitIdle());
    EXPECT_EQ(Caption(0), "target(200%)");

    // Another image's window does not feed the tool.
    OnWorker([] { point_input.click_flag = 0; point_input.right_flag = 0; });
    const PlatRect other = DriverClientRectScreen(ImageWindow(1));
    DriverClick(other.left + 20, other.top + 20);
    DriverClick(other.left + 20, other.top + 20, BUTTON_MIDDLE);
    EXPECT_TRUE(DriverWaitIdle());
    EXPECT_EQ(Ask<int>([] { return point_input.click_flag + point_input.right_flag; }), 0);
    OnWorker([] { ResetPointToolInput(); });
}

}  // namespace
