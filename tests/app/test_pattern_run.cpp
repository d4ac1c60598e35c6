// The test-pattern application run as a user runs it, on the headless backend: edits in the
// input box, presses of "go", the text window's output and the image's pixels, which are
// compared with a rendering of the pattern's rules written out here from scratch.
#include "support/harness.h"
#include "support/pattern_reference.h"

#include "boxes/button_box.h"
#include "boxes/input_box.h"
#include "imagewin/image_table.h"
#include "platform/draw/draw.h"
#include "platform/font/font.h"
#include "platform/draw/surface.h"
#include "platform/text.h"
#include "platform/window/window.h"
#include "textwin/text_window.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

namespace {

// ---- Driving the program ---------------------------------------------------------------

PlatPoint CentreOf(WindowId w) {
    PlatRect r = DriverWindowRect(w);
    return PlatPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Replaces item i's text as a user does: click, select all, type, Tab.
void TypeIntoItem(int item, const char* text) {
    PlatPoint p = CentreOf(item_edit[item]);
    DriverClick(p.x, p.y);
    // Keys go to the focus window of the moment they are typed, as on a desktop.
    ASSERT_TRUE(DriverWaitFor([item] { return PlatGetFocus() == item_edit[item]; }));
    // The value arrives whole, by paste: typed key by key, the program's check once a second
    // could read a half-typed number and report it.
    DriverSetClipboardText(text);
    DriverKey('A', INPUT_MOD_CONTROL);
    DriverKey('V', INPUT_MOD_CONTROL);
    DriverKey(KEY_TAB);
    // The focus leaves the field once the keys before Tab were handled: only then may the
    // next value replace the clipboard or the next click move the focus.
    ASSERT_TRUE(DriverWaitFor([item] { return PlatGetFocus() != item_edit[item]; }));
}

void PressGo() {
    PlatPoint p = CentreOf(button_hwnd[0]);
    DriverClick(p.x, p.y);
}

std::string ItemText(int item) { return DriverWindowText(item_edit[item]); }

// ---- Reading text window 0 -------------------------------------------------------------

std::vector<uint32_t> RenderLine(const char* utf8, int* width, int* height) {
    char16_t text[128];
    int n = Utf8ToUtf16(utf8, -1, text, 128);
    DrawContext* dc = PlatCreateMemoryContext(nullptr);
    PlatSelectFont(dc, PlatGetStockFont(STOCK_CONSOLE_FONT));
    PlatSize size = PlatGetTextExtent(dc, text, n);
    std::vector<uint32_t> out;
    Surface* s = nullptr;
    if (PlatCreateSurface(&s, size.cx > 0 ? size.cx : 1, size.cy, 32) == 0) {
        PlatSelectSurface(dc, s);
        PlatSetTextColor(dc, 0xFFFFFF);
        PlatSetBackColor(dc, 0x000000);
        PlatSetBackMode(dc, BACK_OPAQUE);
        PlatTextOut(dc, 0, 0, text, n);
        for (int y = 0; y < size.cy; y++)
            for (int x = 0; x < size.cx; x++) out.push_back(((uint32_t*)SurfaceRow(s, y))[x] & 0xFFFFFFu);
        PlatDestroySurface(s);
    }
    PlatDeleteContext(dc);
    *width = size.cx;
    *height = size.cy;
    return out;
}

// True when text window 0 shows this line at row `row`, followed by black to the right.
bool ShowsLine(int row, const char* utf8) {
    int rw = 0, rh = 0;
    std::vector<uint32_t> ref = RenderLine(utf8, &rw, &rh);
    int w = 0, h = 0;
    std::vector<uint32_t> px = DriverClientPixels(text_windows[0].hwnd.load(), &w, &h);
    int y0 = row * rh;
    if (y0 + rh > h || rw > w) return false;
    for (int y = 0; y < rh; y++)
        for (int x = 0; x < w; x++) {
            uint32_t want = x < rw ? ref[(size_t)y * rw + x] : 0;
            if (px[(size_t)(y0 + y) * w + x] != want) return false;
        }
    return true;
}

bool ShowsLines(const std::vector<const char*>& lines, int first_row = 0) {
    for (size_t i = 0; i < lines.size(); i++)
        if (!ShowsLine(first_row + (int)i, lines[i])) return false;
    return true;
}

bool RowBlank(int row) { return ShowsLine(row, ""); }

// True when text window 0 shows the end of everything printed so far: the whole transcript
// from the top while it fits above the cursor's row, otherwise its last lines, scrolled up to
// leave the cursor's row free; every row below is blank, so nothing else was printed.
bool ShowsTranscript(const std::vector<std::string>& lines) {
    int line_w = 0, line_h = 0;
    RenderLine("", &line_w, &line_h);
    const PlatRect client = DriverClientRectScreen(text_windows[0].hwnd.load());
    const int rows = RectHeight(client) / line_h;
    const size_t first = lines.size() >= (size_t)rows ? lines.size() - (size_t)(rows - 1) : 0;
    for (int row = 0; row < rows; row++) {
        const size_t i = first + (size_t)row;
        if (!ShowsLine(row, i < lines.size() ? lines[i].c_str() : "")) return false;
    }
    return true;
}

// Adds lines to the transcript and waits until the window shows it.
bool Printed(std::vector<std::string>* transcript, std::initializer_list<const char*> lines) {
    transcript->insert(transcript->end(), lines.begin(), lines.end());
    return DriverWaitFor([&] { return ShowsTranscript(*transcript); });
}

// How many pixels of image 0's window differ from the canvas (-1 when the sizes differ).
long DifferingPixels(const Canvas& c) {
    int w = 0, h = 0;
    std::vector<uint32_t> px = DriverClientPixels(image_table[0].window, &w, &h);
    if (w != c.w || h != c.h) return -1;
    long bad = 0;
    for (size_t i = 0; i < px.size(); i++) bad += px[i] != c.px[i];
    return bad;
}

class TestPattern : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartProgram());
        ASSERT_TRUE(DriverWaitFor([] { return Running.load() == 1; }));
        ASSERT_TRUE(DriverWaitFor([] { return item_count.load() == 4 && button_count.load() == 1; }));
    }
    void TearDown() override {
        if (ProgramRunning()) StopProgram();
    }
    static bool ImageShown() {
        return image_table[0].in_use.load() && PlatIsVisible(image_table[0].window);
    }
};

}  // namespace

// The windows stand where the set-up puts them, with the initial values; a press of "go"
// with nothing edited prints the size report first in the window and makes the image.
TEST_F(TestPattern, GoWithoutEditsCreatesTheImage) {
    EXPECT_EQ(DriverWindowRect(text_windows[0].hwnd.load()).left, 0);
    EXPECT_EQ(DriverWindowRect(button_box.load()).left, 206);
    EXPECT_EQ(DriverWindowRect(input_box.load()).left, 422);
    EXPECT_EQ(DriverWindowText(item_label[0]), "inch_W");
    EXPECT_EQ(DriverWindowText(item_label[3]), "dpi_H");
    EXPECT_EQ(ItemText(0), "4.5");
    EXPECT_EQ(ItemText(1), "3.5");
    EXPECT_EQ(ItemText(2), "300");
    EXPECT_EQ(DriverWindowText(button_hwnd[0]), "go");
    PressGo();
    ASSERT_TRUE(DriverWaitFor([] { return ImageShown(); }));
    ASSERT_TRUE(DriverWaitFor([] { return ShowsLines({"1350Wx1050H dots", " 4.50W", "x  3.50H inch"}); }))
        << "the report must be the first output";
    EXPECT_TRUE(RowBlank(3));
    WindowId w = image_table[0].window;
    PlatRect r = DriverWindowRect(w);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 300);
    EXPECT_EQ(DriverWindowText(w), "test_pattern(100%)*");
    EXPECT_EQ(image_table[0].width, 1350);
    EXPECT_EQ(image_table[0].height, 1050);
    EXPECT_EQ(image_table[0].bits, 32);
    Canvas want = Pattern(1350, 1050, 300, 300);
    ASSERT_TRUE(DriverWaitFor([&] { return DifferingPixels(want) == 0; })) << DifferingPixels(want);
    // The sweeps end inside their fourth group, of spacing 5: the last vertical line is at
    // 1086 + 47 x 5 = 1321 and the last horizontal one at 861 + 33 x 5 = 1026.
    int iw = 0, ih = 0;
    std::vector<uint32_t> px = DriverClientPixels(w, &iw, &ih);
    auto at = [&](int x, int y) { return px[(size_t)y * iw + x]; };
    EXPECT_EQ(at(1321, 100), 0u);
    EXPECT_EQ(at(1322, 100), 0xE0E0E0u);
    EXPECT_EQ(at(1326, 100), 0xE0E0E0u);
    EXPECT_EQ(at(100, 1026), 0u);
    EXPECT_EQ(at(100, 1027), 0xE0E0E0u);
    EXPECT_EQ(at(100, 1031), 0xE0E0E0u);
    EXPECT_EQ(at(339 + 5, 331), 0xFFFFFFu);            // chart column 0 is white
    EXPECT_EQ(at(339 + 10 * 89 + 5, 331), 0xFF0000u);   // column 10, hue 0, fully saturated
}

// Typed inches are cut to two decimals; the field then shows what the whole pixels cover.
TEST_F(TestPattern, TypedWidthIsCutAndReported) {
    TypeIntoItem(0, "2.999");
    ASSERT_TRUE(DriverWaitFor([] { return ShowsLines({"1: ", "pW: 897", "inch_W: 2.990000"}); }));
    EXPECT_TRUE(DriverWaitFor([] { return ItemText(0) == "2.99"; })) << ItemText(0);
    TypeIntoItem(2, "600");
    ASSERT_TRUE(DriverWaitFor([] { return ShowsLines({"3: ", "pW: 1794", "inch_W: 2.990000"}, 3); }));
}

TEST_F(TestPattern, TypedResolutionRecomputesPixels) {
    TypeIntoItem(2, "600");
    ASSERT_TRUE(DriverWaitFor([] { return ShowsLines({"3: ", "pW: 2700", "inch_W: 4.500000"}); }));
    EXPECT_EQ(ItemText(0), "4.5");
    TypeIntoItem(3, "150");
    ASSERT_TRUE(DriverWaitFor([] { return ShowsLines({"4: ", "pH: 525", "inch_H: 3.500000"}, 3); }));
}

// A resolution of 0 or below and negative inches are refused: the field shows the value in
// force again and nothing is printed.
TEST_F(TestPattern, ImpossibleValuesAreRefused) {
    TypeIntoItem(2, "0");
    ASSERT_TRUE(DriverWaitFor([] { return ItemText(2) == "300"; })) << ItemText(2);
    TypeIntoItem(0, "-2");
    ASSERT_TRUE(DriverWaitFor([] { return ItemText(0) == "4.5"; })) << ItemText(0);
    TypeIntoItem(3, "-7");
    ASSERT_TRUE(DriverWaitFor([] { return ItemText(3) == "300"; })) << ItemText(3);
    TypeIntoItem(1, "1e300");
    ASSERT_TRUE(DriverWaitFor([] { return ItemText(1) == "3.5"; })) << ItemText(1);
    // A valid edit afterwards is the first thing printed.
    TypeIntoItem(1, "2");
    ASSERT_TRUE(DriverWaitFor([] { return ShowsLines({"2: ", "pH: 600", "inch_H: 2.000000"}); }));
}

// The second press resizes the image made by the first, in the same place.
TEST_F(TestPattern, SecondPressResizes) {
    PressGo();
    ASSERT_TRUE(DriverWaitFor([] { return ShowsLines({"1350Wx1050H dots", " 4.50W", "x  3.50H inch"}); }));
    ASSERT_TRUE(ImageShown());
    TypeIntoItem(3, "100");
    ASSERT_TRUE(DriverWaitFor([] { return ShowsLines({"4: ", "pH: 350", "inch_H: 3.500000"}, 3); }));
    PressGo();
    ASSERT_TRUE(DriverWaitFor([] { return ShowsLines({"1350Wx350H dots", " 4.50W", "x  3.50H inch"}, 6); }));
    ASSERT_TRUE(DriverWaitFor([] { return ImageShown() && image_table[0].height == 350; }));
    PlatRect r = DriverWindowRect(image_table[0].window);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 300);
    Canvas want = Pattern(1350, 350, 300, 100);
    EXPECT_TRUE(DriverWaitFor([&] { return DifferingPixels(want) == 0; })) << DifferingPixels(want);
}

// The window's view of a canvas: the halftone stretch of its pixels onto w x h.
std::vector<uint32_t> StretchedView(const Canvas& c, int w, int h) {
    Surface* from = nullptr;
    Surface* to = nullptr;
    std::vector<uint32_t> out;
    if (PlatCreateSurface(&from, c.w, c.h, 32) == 0 && PlatCreateSurface(&to, w, h, 32) == 0) {
        for (int y = 0; y < c.h; y++) memcpy(SurfaceRow(from, y), &c.px[(size_t)y * c.w], (size_t)c.w * 4);
        DrawContext* src = PlatCreateMemoryContext(from);
        DrawContext* dst = PlatCreateMemoryContext(to);
        PlatSetStretchMode(dst, STRETCH_HALFTONE);
        PlatStretchCopy(dst, 0, 0, w, h, src, 0, 0, c.w, c.h);
        PlatDeleteContext(src);
        PlatDeleteContext(dst);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) out.push_back(((uint32_t*)SurfaceRow(to, y))[x] & 0xFFFFFFu);
    }
    PlatDestroySurface(from);
    PlatDestroySurface(to);
    return out;
}

// A 10 x 10 inch sheet (3000 x 3000, large enough that its window first shows the fresh
// sheet by a fill): the image holds the pattern pixel for pixel, and the window, at the zoom
// that fits the screen, shows its halftone stretch, not the blank sheet it showed first.
TEST_F(TestPattern, LargeSheetIsDrawnWholeAndShownStretched) {
    TypeIntoItem(0, "10");
    TypeIntoItem(1, "10");
    ASSERT_TRUE(DriverWaitFor([] { return ShowsLines({"1: ", "pW: 3000", "inch_W: 10.000000"}); }));
    ASSERT_TRUE(DriverWaitFor([] { return ShowsLines({"2: ", "pH: 3000", "inch_H: 10.000000"}, 3); }));
    PressGo();
    ASSERT_TRUE(DriverWaitFor([] { return ImageShown() && image_table[0].width == 3000; }));
    const Canvas want = Pattern(3000, 3000, 300, 300);
    const WindowId w = image_table[0].window;
    int vw = 0, vh = 0;
    DriverClientPixels(w, &vw, &vh);
    ASSERT_LT(vw, 3000);
    const std::vector<uint32_t> view = StretchedView(want, vw, vh);
    ASSERT_TRUE(DriverWaitFor([&] {
        std::vector<uint32_t> px = DriverClientPixels(w, &vw, &vh);
        for (uint32_t& v : px) v &= 0xFFFFFFu;
        return px == view;
    }));
    const uint32_t* pixels = (const uint32_t*)image_pixels[0];
    long bad = 0;
    for (size_t i = 0; i < want.px.size(); i++) bad += (pixels[i] & 0xFFFFFFu) != want.px[i];
    EXPECT_EQ(bad, 0);
}

// A sheet one inch wide has no room for the vertical sweep: x0 = 309 lies beyond R = 294.
TEST_F(TestPattern, OneInchSheetDrawsNoVerticalSweep) {
    TypeIntoItem(0, "1");
    ASSERT_TRUE(DriverWaitFor([] { return ShowsLines({"1: ", "pW: 300", "inch_W: 1.000000"}); }));
    PressGo();
    ASSERT_TRUE(DriverWaitFor([] { return ImageShown() && image_table[0].width == 300; }));
    Canvas want = Pattern(300, 1050, 300, 300);
    EXPECT_TRUE(DriverWaitFor([&] { return DifferingPixels(want) == 0; })) << DifferingPixels(want);
}

// Typed sizes are cut decimally: 2.3 is 2.3 inches (690 dots), 1.15 is 1.15 (345 dots). Each
// press of "go" is served by a pass of the program's loop, so three reports mean the sizes
// were checked again twice after the edits: the fields keep what they show and nothing more
// is printed.
TEST_F(TestPattern, TypedSizesAreCutDecimallyAndStay) {
    std::vector<std::string> out;
    TypeIntoItem(0, "2.3");
    ASSERT_TRUE(Printed(&out, {"1: ", "pW: 690", "inch_W: 2.300000"}));
    TypeIntoItem(1, "1.15");
    ASSERT_TRUE(Printed(&out, {"2: ", "pH: 345", "inch_H: 1.150000"}));
    for (int press = 0; press < 3; press++) {
        PressGo();
        ASSERT_TRUE(Printed(&out, {"690Wx345H dots", " 2.30W", "x  1.15H inch"})) << press;
    }
    EXPECT_EQ(ItemText(0), "2.3");
    EXPECT_EQ(ItemText(1), "1.15");
    Canvas want = Pattern(690, 345, 300, 300);
    EXPECT_TRUE(DriverWaitFor([&] { return DifferingPixels(want) == 0; })) << DifferingPixels(want);
}

// Resolutions whose quotients do not end: the fields show the inches the whole dots cover
// (1354 / 301 and 82 / 72) and the program leaves them alone from then on.
TEST_F(TestPattern, UnevenResolutionsDoNotDrift) {
    std::vector<std::string> out;
    TypeIntoItem(2, "301");
    ASSERT_TRUE(Printed(&out, {"3: ", "pW: 1354", "inch_W: 4.498339"}));
    TypeIntoItem(3, "72");
    ASSERT_TRUE(Printed(&out, {"4: ", "pH: 252", "inch_H: 3.500000"}));
    TypeIntoItem(1, "1.15");
    ASSERT_TRUE(Printed(&out, {"2: ", "pH: 82", "inch_H: 1.138889"}));
    for (int press = 0; press < 3; press++) {
        PressGo();
        ASSERT_TRUE(Printed(&out, {"1354Wx82H dots", " 4.50W", "x  1.14H inch"})) << press;
    }
    EXPECT_EQ(ItemText(0), "4.49833887");
    EXPECT_EQ(ItemText(1), "1.138888889");
    EXPECT_EQ(ItemText(2), "301");
}

// A sheet no zoom can show (4.55 x 50 inches, 1365 x 15000 dots) is reported after the size
// and nothing is drawn: first with no image at all, then with a sheet that stays as it was.
TEST_F(TestPattern, SheetThatCannotBeMadeIsReported) {
    std::vector<std::string> out;
    TypeIntoItem(0, "4.55");
    TypeIntoItem(1, "50");
    ASSERT_TRUE(Printed(&out, {"1: ", "pW: 1365", "inch_W: 4.550000", "2: ", "pH: 15000", "inch_H: 50.000000"}));
    PressGo();
    ASSERT_TRUE(Printed(&out, {"1365Wx15000H dots", " 4.55W", "x 50.00H inch", "cannot make 1365x15000"}));
    EXPECT_FALSE(image_table[0].in_use.load());

    TypeIntoItem(0, "4.5");
    TypeIntoItem(1, "3.5");
    ASSERT_TRUE(Printed(&out, {"1: ", "pW: 1350", "inch_W: 4.500000", "2: ", "pH: 1050", "inch_H: 3.500000"}));
    PressGo();
    ASSERT_TRUE(Printed(&out, {"1350Wx1050H dots", " 4.50W", "x  3.50H inch"}));
    Canvas want = Pattern(1350, 1050, 300, 300);
    ASSERT_TRUE(DriverWaitFor([&] { return DifferingPixels(want) == 0; })) << DifferingPixels(want);
    const WindowId w = image_table[0].window;
    const PlatRect rect = DriverWindowRect(w);

    TypeIntoItem(0, "4.55");
    TypeIntoItem(1, "50");
    ASSERT_TRUE(Printed(&out, {"1: ", "pW: 1365", "inch_W: 4.550000", "2: ", "pH: 15000", "inch_H: 50.000000"}));
    PressGo();
    ASSERT_TRUE(Printed(&out, {"1365Wx15000H dots", " 4.55W", "x 50.00H inch", "cannot make 1365x15000"}));
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_TRUE(ImageShown());
    EXPECT_EQ(image_table[0].window, w);
    EXPECT_EQ(DriverWindowText(w), "test_pattern(100%)*");
    const PlatRect now = DriverWindowRect(w);
    EXPECT_TRUE(now.left == rect.left && now.top == rect.top && now.right == rect.right && now.bottom == rect.bottom);
    EXPECT_EQ(DifferingPixels(want), 0);
}
