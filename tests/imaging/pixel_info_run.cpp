// The Information commands in the running program: each body runs as a job on the worker
// while this thread clicks into the image window, and the test reads what a user sees: the
// report in the text window (through its log file), the new graph windows with their slots,
// titles, sizes and places, and their pixels against curves and points computed here.
#include <math.h>
#include <stdlib.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imagewin/image_table.h"
#include "imaging/pixel_info.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/run_control.h"
#include "support/harness.h"
#include "support/outside_io.h"
#include "support/worker_jobs.h"

extern "C" void UserSetup(void) { StartRequested.store(1); }

extern "C" void UserMain(void) { ServeJobsUntilExit(); }

namespace {

// Image 0 is 32-bit, image 1 8-bit, both 256 x 8; slot 2 is taken, so graphs open in slot 3.
// Rows of image 0: 0 single colours, 2 a colour ramp, 5 a grey ramp, 6 and 7 two colours.
enum {
    W = 256, H = 8, RGB_SRC = 0, BYTE_SRC = 1, TAKEN = 2, GRAPH = 3, SCRATCH = 200,
    COLOR_RAMP_ROW = 2, GREY_RAMP_ROW = 5, RECT_TOP = 6
};

uint32_t Rgb(int r, int g, int b) { return (uint32_t)(r << 16 | g << 8 | b); }
const uint32_t AREA_TOP = Rgb(255, 0, 0), AREA_BOTTOM = Rgb(40, 200, 90);

// The fixed-point colour formulas: (a R + b G + c B + 32768) / 65536 truncated toward zero.
int Fixed(int a, int b, int c, uint32_t color) {
    const double sum = a * (double)(color >> 16 & 255) + b * (double)(color >> 8 & 255) + c * (double)(color & 255);
    return (int)trunc((sum + 32768) / 65536);
}

using Command = void (*)(WindowId, int);

class PixelInfo : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pixkit-pixinfo-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        ASSERT_EQ(chdir(folder.c_str()), 0);
        ASSERT_TRUE(StartProgram());
        ASSERT_TRUE(OnWorker([] {
            PXK_OpenTextWindow(0, 1300, 600, 400, 300);
            PXK_StartLog(0);
            PXK_CreateImage(RGB_SRC, "colours", 400, 300, W, H, 100);
            uint32_t* p = (uint32_t*)image_pixels[RGB_SRC];
            for (int i = 0; i < W; i++) {
                p[COLOR_RAMP_ROW * W + i] = Rgb(i, 255 - i, 128);
                p[GREY_RAMP_ROW * W + i] = Rgb(i, i, i);
                p[RECT_TOP * W + i] = AREA_TOP;
                p[(RECT_TOP + 1) * W + i] = AREA_BOTTOM;
            }
            p[0] = Rgb(255, 0, 0), p[1] = 0xFFFFFF, p[2] = 0, p[3] = Rgb(128, 128, 128), p[4] = Rgb(10, 20, 30);
            PXK_CreateImage8(BYTE_SRC, "indices", 400, 500, W, H, 100);
            for (int i = 0; i < W; i++) image_pixels[BYTE_SRC][GREY_RAMP_ROW * W + i] = (uint8_t)i;
            image_pixels[BYTE_SRC][3 * W + 7] = 77;
            std::vector<PXK_Color> odd(256, 0xFFFFFF);
            odd[77] = 0x123456;
            PXK_SetPalette(odd.data(), 256);
            PXK_CreateImage(TAKEN, "taken", 800, 0, 16, 16, 100);
        }));
        for (int i : {RGB_SRC, BYTE_SRC}) client[i] = DriverClientRectScreen(image_table[i].window);
    }
    void TearDown() override {
        if (ProgramRunning()) {
            EXPECT_EQ(StopProgram(), 0);
        }
        RunCommand("rm -rf '" + folder + "'");
    }

    // Runs the command on a source image; clicks (image pixels) are made once its tool
    // waits. The job's end is waited for.
    void Run(Command command, int source, std::vector<std::pair<int, int>> clicks, int button = BUTTON_LEFT) {
        const WindowId window = image_table[source].window;
        const int job = PostJob([=] { command(window, source); });
        for (size_t k = 0; k < clicks.size(); k++) {
            ASSERT_TRUE(DriverWaitFor([] { return point_tool_active.load() == 1; }));
            const std::string prompt = StatusText();
            DriverClick(client[source].left + clicks[k].first, client[source].top + clicks[k].second, button);
            // A two-point tool asks for its second point before it takes the next click.
            if (k + 1 < clicks.size()) {
                ASSERT_TRUE(DriverWaitFor([&] { return StatusText() != prompt; }));
            }
        }
        ASSERT_TRUE(WaitJob(job));
    }
    std::string LogText() { return ReadFileBytes(folder + "/PIXKIT" + std::to_string(instance_slot) + "0.LOG"); }
    static std::vector<uint32_t> Pixels(int index) {
        return Ask<std::vector<uint32_t>>([=] {
            const ImageRecord& r = image_table[index];
            if (!r.in_use.load()) return std::vector<uint32_t>();
            const uint32_t* p = (const uint32_t*)image_pixels[index];
            return std::vector<uint32_t>(p, p + r.width * r.height);
        });
    }
    // Slots in use from 3 on.
    static std::vector<int> GraphSlots() {
        return Ask<std::vector<int>>([] {
            std::vector<int> v;
            for (int i = GRAPH; i < IMAGE_SLOTS; i++)
                if (image_table[i].in_use.load()) v.push_back(i);
            return v;
        });
    }
    // A 32-bit picture of width x height drawn by the drawing operations on a scratch slot.
    static std::vector<uint32_t> Drawn(int width, int height, std::function<void()> draw) {
        OnWorker([&] {
            PXK_CreateImage(SCRATCH, "scratch", 1000, 0, width, height, 100);
            draw();
        });
        std::vector<uint32_t> v = Pixels(SCRATCH);
        OnWorker([] { PXK_DestroyImage(SCRATCH); });
        return v;
    }

    // The command opened one window: in slot 3 (the lowest free), 32-bit, current, at the
    // top-left of the screen, with this title, size and pixels, and showing them. It is
    // closed again for the next case.
    void ExpectGraph(const char* title, int width, int height, const std::vector<uint32_t>& want) {
        ASSERT_EQ(GraphSlots(), std::vector<int>{GRAPH});
        const std::string seen = Ask<std::string>([] {
            const ImageRecord& r = image_table[GRAPH];
            return std::string(r.title) + " " + std::to_string(r.width) + "x" + std::to_string(r.height) + "x" +
                   std::to_string(r.bits) + (CurrentImageIndex() == GRAPH ? " current" : "");
        });
        EXPECT_EQ(seen, std::string(title) + " " + std::to_string(width) + "x" + std::to_string(height) + "x32 current");
        const WindowId graph = Ask<WindowId>([] { return image_table[GRAPH].window; });
        const PlatRect outer = DriverWindowRect(graph);
        EXPECT_TRUE(outer.left == 0 && outer.top == 0) << outer.left << ", " << outer.top;
        EXPECT_TRUE(Pixels(GRAPH) == want);
        EXPECT_TRUE(DriverWaitFor([&] {
            int cw = 0, ch = 0;
            std::vector<uint32_t> shown = DriverClientPixels(graph, &cw, &ch);
            for (uint32_t& p : shown) p &= 0xFFFFFF;
            return shown == want;
        })) << "the window does not show the graph";
        OnWorker([] { PXK_DestroyImage(GRAPH); });
    }

    std::string folder;
    PlatRect client[2]{};
};

// ---- Pixel report -----------------------------------------------------------------------------

TEST_F(PixelInfo, ReportPrintsEveryModelWithTruncatedFixedPointFormulas) {
    struct Case {
        int x;
        uint32_t color;
        int h, s, v;
    } cases[] = {{0, Rgb(255, 0, 0), 0, 255, 255}, {1, 0xFFFFFF, 0, 0, 255}, {2, 0, 0, 0, 0},
                 {3, Rgb(128, 128, 128), 0, 0, 128}, {4, Rgb(10, 20, 30), 210, 20, 30}};
    std::string expected;
    for (const Case& c : cases) {
        Run(ShowPixelInfo, RGB_SRC, {{c.x, 0}});
        const int y = Fixed(19595, 38470, 7471, c.color);
        char text[400];
        snprintf(text, sizeof text,
                 "(X,Y)=(%d,0)\n(R,G,B)=(%d,%d,%d)\n(H,S,V)=(%d,%d,%d)\n(Y,Cr,Cb)=(%d,%d,%d)\n(Y,u,v)=(%d,%d,%d)\n"
                 "(Y,I,Q)=(%d,%d,%d)\n\n",
                 c.x, c.color >> 16, c.color >> 8 & 255, c.color & 255, c.h, c.s, c.v, y,
                 Fixed(32768, -27460, -5308, c.color), Fixed(-11076, -21692, 32768, c.color), y,
                 Fixed(-9634, -18940, 28574, c.color), Fixed(40305, -33751, -6554, c.color), y,
                 Fixed(39053, -18022, -21037, c.color), Fixed(13533, -32565, 19032, c.color));
        expected += text;
    }
    // The 8-bit image reports the index, whatever its colour table holds.
    Run(ShowPixelInfo, BYTE_SRC, {{7, 3}});
    expected += "(X,Y)=(7,3)\n(Luminance)=(77)\n\n";
    // A cancelled tool prints nothing.
    Run(ShowPixelInfo, RGB_SRC, {{5, 5}}, BUTTON_RIGHT);
    EXPECT_TRUE(DriverWaitFor([&] { return LogText() == expected; })) << LogText();
    EXPECT_NE(expected.find("(Y,Cr,Cb)=(76,128,-42)\n(Y,u,v)=(76,-36,157)\n(Y,I,Q)=(76,152,53)\n"), std::string::npos);
}

// ---- Graph windows ---------------------------------------------------------------------------

struct Curve {
    int (*value)(int i);
    int scale;
    uint32_t color;
};

struct Label {
    const char* text;
    int x, y;
    uint32_t color;
};

struct ProfileCase {
    const char* name;
    Command command;
    int source, row;
    const char* title;
    int offset;
    Curve curves[3];
    Label labels[3];
};

int Ramp(int i) { return i; }
int Falling(int i) { return 255 - i; }
int Half(int) { return 128; }
int Zero(int) { return 0; }

TEST_F(PixelInfo, RowProfilesOpenNamedWindowsWithCurvesAndLabels) {
    const ProfileCase cases[] = {
        {"RGB", ShowRgbProfile, RGB_SRC, COLOR_RAMP_ROW, "RGB(Y=2)", 12,
         {{Ramp, 255, 0xFF0000}, {Falling, 255, 0x00FF00}, {Half, 255, 0x0000FF}},
         {{"R", 2, 40, 0xFF0000}, {"G", 2, 72, 0x00FF00}, {"B", 2, 104, 0x0000FF}}},
        {"HSV", ShowHsvProfile, RGB_SRC, GREY_RAMP_ROW, "HSV(Y=5)", 12,
         {{Zero, 359, 0xFFFF00}, {Zero, 255, 0xFF00FF}, {Ramp, 255, 0x00FFFF}},
         {{"H", 2, 40, 0xFFFF00}, {"S", 2, 72, 0xFF00FF}, {"V", 2, 104, 0x00FFFF}}},
        {"YCrCb", ShowYCrCbProfile, RGB_SRC, GREY_RAMP_ROW, "YCrCb(Y=5)", 20,
         {{Ramp, 255, 0xFFFFFF}, {Half, 255, 0xFF8888}, {Half, 255, 0x8888FF}},
         {{"Y", 4, 40, 0xFFFFFF}, {"Cr", 2, 72, 0xFF8888}, {"Cb", 2, 104, 0x8888FF}}},
        {"luminance of an 8-bit image", ShowLuminanceProfile, BYTE_SRC, GREY_RAMP_ROW, "Luminance(Y=5)", 12,
         {{Ramp, 255, 0xFFFFFF}}, {{"L", 2, 40, 0xFFFFFF}}},
    };
    for (const ProfileCase& c : cases) {
        SCOPED_TRACE(c.name);
        const int width = W + c.offset;
        // The curves: every step of these ramps moves at most one row, so a polyline lights
        // exactly its points; later curves cover earlier ones.
        std::vector<uint32_t> want = Drawn(width, 128, [&] {
            for (const Label& l : c.labels) {
                if (!l.text) continue;
                PXK_SetTextPos(l.x, l.y);
                PXK_SetTextColor(l.color);
                PXK_PutString(l.text);
            }
        });
        for (const Curve& k : c.curves)
            for (int i = 0; k.value && i < W; i++) want[(127 - k.value(i) * 127 / k.scale) * width + c.offset + i] = k.color;

        Run(c.command, c.source, {{30, c.row}});
        ExpectGraph(c.title, width, 128, want);
    }
}

TEST_F(PixelInfo, ChromaPlotsOfAGreyRowAndATwoColourArea) {
    auto picture = [&](const std::vector<uint32_t>& colors, uint32_t color) {
        return Drawn(256, 256, [&] {
            PXK_DrawLine(0x808080, 0, 128, 256, 128);
            PXK_DrawLine(0x808080, 128, 0, 128, 256);
            PXK_SetTextPos(110, 16);
            PXK_SetTextColor(0xFF8888);
            PXK_PutString("Cr");
            PXK_SetTextPos(238, 144);
            PXK_SetTextColor(0x8888FF);
            PXK_PutString("Cb");
            for (uint32_t c : colors)
                PXK_PutPixel(128 + Fixed(-11076, -21692, 32768, c), 128 - Fixed(32768, -27460, -5308, c), color);
        });
    };
    struct Case {
        const char* name;
        Command command;
        std::vector<std::pair<int, int>> clicks;
        const char* title;
        std::vector<uint32_t> want;
    } cases[] = {
        // Every grey is on the centre; 256 points make the last of the alternating segments
        // 0xFF00FF.
        {"grey row", ShowRowChroma, {{9, GREY_RAMP_ROW}}, "CrCb(Y=5)", {}},
        {"two-colour area", ShowAreaChroma, {{40, RECT_TOP + 1}, {10, RECT_TOP}}, "CrCb(10,6)-(40,7)", {}},
    };
    cases[0].want = picture({Rgb(7, 7, 7)}, 0xFF00FF);
    cases[1].want = picture({AREA_TOP, AREA_BOTTOM}, 0xFFFFFF);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Run(c.command, RGB_SRC, c.clicks);
        ExpectGraph(c.title, 256, 256, c.want);
    }
}

// Sources of the wrong depth are refused before any tool starts; a cancelled tool creates
// nothing.
TEST_F(PixelInfo, WrongDepthsAndCancelledToolsOpenNoWindow) {
    const struct {
        Command command;
        int source;
    } refused[] = {{ShowRgbProfile, BYTE_SRC},  {ShowHsvProfile, BYTE_SRC},     {ShowYCrCbProfile, BYTE_SRC},
                   {ShowRowChroma, BYTE_SRC},   {ShowAreaChroma, BYTE_SRC},     {ShowLuminanceProfile, RGB_SRC}};
    for (const auto& r : refused) {
        const WindowId window = image_table[r.source].window;
        EXPECT_TRUE(OnWorker([&] { r.command(window, r.source); }));
    }
    Run(ShowRgbProfile, RGB_SRC, {{3, 3}}, BUTTON_RIGHT);
    Run(ShowAreaChroma, RGB_SRC, {{3, 3}}, BUTTON_RIGHT);
    EXPECT_EQ(GraphSlots(), std::vector<int>{});
}

}  // namespace
