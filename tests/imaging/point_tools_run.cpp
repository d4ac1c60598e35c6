// The interactive point tools in the running program: a tool runs as a job on the worker
// (UserMain serves the jobs) while this thread moves the pointer, clicks and presses Stop
// through the headless driver and watches what a user sees: the status line and the image
// window's pixels with the XOR preview on them.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imagewin/image_commands.h"
#include "imagewin/image_table.h"
#include "imagewin/image_view.h"
#include "imagewin/point_input.h"
#include "imaging/point_tools.h"
#include "platform/window/input.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/run_control.h"
#include "support/harness.h"
#include "support/image_access.h"
#include "support/program_fixture.h"
#include "support/worker_jobs.h"

extern "C" void UserSetup(void) { StartRequested.store(1); }

extern "C" void UserMain(void) { ServeJobsUntilExit(); }

namespace {

enum { W = 160, H = 120 };

uint32_t PatternColor(int x, int y) {
    return (uint32_t)(((x * 7) & 255) << 16 | ((y * 13) & 255) << 8 | ((x + 3 * y) & 255));
}

// The image's pixels as stored (low 24 bits, which is what XOR and the screen touch), read on
// the worker.
std::vector<uint32_t> ColorsOf(int index) {
    std::vector<uint32_t> v = ReadImagePixels(index);
    for (uint32_t& c : v) c &= 0xFFFFFF;
    return v;
}

std::vector<uint32_t> ImagePixels(int index) {
    return Ask<std::vector<uint32_t>>([=] { return ColorsOf(index); });
}

// A tool call running as a job: its result and up to four outputs.
struct ToolCall {
    int code = -1;
    int out[4] = {-9, -9, -9, -9};
    int job = 0;
};

using ToolFn = std::function<int(int index, int* out)>;

const ToolFn kRectangle = [](int i, int* o) { return PXK_GetRectangle(i, o, o + 1, o + 2, o + 3); };
const ToolFn kLine = [](int i, int* o) { return PXK_GetLinePoints(i, o, o + 1, o + 2, o + 3); };
const ToolFn kCircle = [](int i, int* o) { return PXK_GetCircle(i, o, o + 1, o + 2); };
const ToolFn kPoint = [](int i, int* o) { return PXK_GetPoint(i, o, o + 1); };
const ToolFn kRow = [](int i, int* o) { return PXK_GetRowPoint(i, o, o + 1); };
const ToolFn kColumn = [](int i, int* o) { return PXK_GetColumnPoint(i, o, o + 1); };
ToolFn Placement(int bw, int bh) {
    return [=](int i, int* o) { return PXK_GetPlacement(i, bw, bh, o, o + 1); };
}

class PointTools : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (HasFatalFailure()) return;
        // Image 1 is where the expected figures are drawn with the drawing operations.
        for (int i = 0; i < 2; i++) {
            ASSERT_EQ(Ask<int>([=] { return PXK_CreateImage(i, i ? "reference" : "target", 40 + 400 * i, 40, W, H, 100); }),
                      0);
            OnWorker([=] {
                WriteImagePixels(i, PatternColor);
                PXK_RedrawImage(i);
            });
        }
        ASSERT_EQ(ImageZoom(0), 100);
        window = ImageWindow(0);
        client = DriverClientRectScreen(window);
        before = ImagePixels(0);
    }

    // The pattern with one XOR figure drawn by the drawing operations (on image 1, then
    // removed from it again). Jobs wait while a tool runs, so this comes before the tool.
    std::vector<uint32_t> WithFigure(const std::function<void()>& draw) {
        return Ask<std::vector<uint32_t>>([&] {
            PXK_SelectImage(1);
            draw();
            const std::vector<uint32_t> v = ColorsOf(1);
            draw();
            return v;
        });
    }

    // Starts the tool on image 0 and waits until it shows its first prompt.
    void Start(const ToolFn& fn, const char* prompt, ToolCall* call) {
        call->job = PostJob([fn, call] { call->code = fn(0, call->out); });
        ASSERT_TRUE(DriverWaitFor([&] { return StatusWords() == prompt; })) << StatusWords();
        ASSERT_EQ(point_tool_active.load(), 1);
    }
    void Move(int x, int y) { DriverMovePointer(client.left + x, client.top + y); }
    void Click(int x, int y, int button = BUTTON_LEFT) { DriverClick(client.left + x, client.top + y, button); }
    bool Shows(const std::vector<uint32_t>& expected) {
        return DriverWaitFor([&] { return ShownColors(window) == expected; });
    }
    // The tool has returned, the status line is back and the image is as before.
    void ExpectEnded(const ToolCall& call, int code) {
        ASSERT_TRUE(WaitJob(call.job));
        EXPECT_EQ(call.code, code);
        EXPECT_EQ(StatusWords(), "32-bit color");
        EXPECT_EQ(point_tool_active.load(), 0);
        if (code != PXK_TOOL_CLOSED) {
            EXPECT_TRUE(ImagePixels(0) == before) << "the preview was left in the image";
            EXPECT_TRUE(Shows(before));
        }
    }

    WindowId window = 0;
    PlatRect client{};
    std::vector<uint32_t> before;
};

// ---- Two-point tools ---------------------------------------------------------------------

struct TwoPointCase {
    const char* name;
    ToolFn tool;
    int x1, y1, x2, y2;                   // the two clicks
    std::function<void()> figure;         // the preview with the pointer on the second point
    int out[4];
};

TEST_F(PointTools, TwoPointToolsPreviewWhileMovingAndReturnTheirPoints) {
    const TwoPointCase cases[] = {
        {"rectangle, second corner up and left", kRectangle, 40, 30, 10, 5, [] { PXK_XorBox(40, 30, 10, 5); },
         {10, 5, 40, 30}},
        {"line, in click order", kLine, 40, 30, 10, 5, [] { PXK_XorLine(40, 30, 10, 5); }, {40, 30, 10, 5}},
        {"line across several bands", kLine, 150, 110, 3, 2, [] { PXK_XorLine(150, 110, 3, 2); }, {150, 110, 3, 2}},
        {"circle 3-4-5", kCircle, 20, 20, 23, 24, [] { PXK_XorCircle(20, 20, 5); }, {20, 20, 5, -9}},
        {"circle 30-40-50", kCircle, 80, 60, 110, 100, [] { PXK_XorCircle(80, 60, 50); }, {80, 60, 50, -9}},
        {"circle rounding 1.414", kCircle, 20, 20, 21, 21, [] { PXK_XorCircle(20, 20, 1); }, {20, 20, 1, -9}},
    };
    for (const TwoPointCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint32_t> preview = WithFigure(c.figure);
        ToolCall call;
        Start(c.tool, "Click the first point", &call);
        Click(c.x1, c.y1);
        ASSERT_TRUE(DriverWaitFor([] { return StatusWords() == "Click the second point"; }));
        Move(c.x2, c.y2);
        EXPECT_TRUE(Shows(preview)) << "the preview is not the XOR figure";
        Click(c.x2, c.y2);
        ExpectEnded(call, PXK_TOOL_DONE);
        for (int i = 0; i < 4; i++) EXPECT_EQ(call.out[i], c.out[i]) << i;
    }
}

// Both clicks of a two-point tool handled in one pump (they were waiting when the tool began):
// the first is not overwritten by the second.
TEST_F(PointTools, ClicksHandledInOnePumpAreTakenInTurn) {
    ToolCall call;
    const WindowId target = window;
    call.job = PostJob([&call, target] {
        const int clicks[2][2] = {{40, 30}, {10, 5}};
        for (const auto& c : clicks) {
            PlatPostMessage(target, MSG_LBUTTONDOWN, 0, MakeParam(c[0], c[1]));
            PlatPostMessage(target, MSG_LBUTTONUP, 0, MakeParam(c[0], c[1]));
        }
        call.code = kLine(0, call.out);
    });
    const bool ended = WaitJob(call.job);
    if (!ended) Click(1, 1, BUTTON_RIGHT), Click(1, 1, BUTTON_RIGHT);
    ASSERT_TRUE(ended) << "the tool still waits for a second point";
    EXPECT_EQ(call.code, PXK_TOOL_DONE);
    const int expected[4] = {40, 30, 10, 5};
    for (int i = 0; i < 4; i++) EXPECT_EQ(call.out[i], expected[i]) << i;
}

// ---- One-click tools ---------------------------------------------------------------------

struct OneClickCase {
    const char* name;
    ToolFn tool;
    std::function<void()> figure;   // the preview with the pointer at (30, 20); null: none
};

TEST_F(PointTools, OneClickToolsPreviewAtThePointerAndReturnTheClick) {
    const OneClickCase cases[] = {
        {"point", kPoint, nullptr},
        {"row", kRow, [] { PXK_XorLine(0, 20, W - 1, 20); }},
        {"column", kColumn, [] { PXK_XorLine(30, 0, 30, H - 1); }},
        {"placement 8 x 8: outline only", Placement(8, 8), [] { PXK_XorBox(26, 16, 33, 23); }},
        {"placement 9 x 9: outline and diagonals", Placement(9, 9),
         [] {
             PXK_XorBox(26, 16, 34, 24);
             PXK_XorLine(27, 17, 33, 23);
             PXK_XorLine(33, 17, 27, 23);
         }},
    };
    for (const OneClickCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint32_t> preview = c.figure ? WithFigure(c.figure) : before;
        Move(5, 5);
        ToolCall call;
        Start(c.tool, "Click a point", &call);
        Move(30, 20);
        EXPECT_TRUE(Shows(preview)) << "the preview is not the XOR figure";
        Click(30, 20);
        ExpectEnded(call, PXK_TOOL_DONE);
        EXPECT_EQ(call.out[0], 30);
        EXPECT_EQ(call.out[1], 20);
    }
}

// ---- Ends other than a finish --------------------------------------------------------------

TEST_F(PointTools, RightButtonStepsBackThenCancels) {
    const std::vector<uint32_t> band = WithFigure([] { PXK_XorBox(10, 10, 20, 30); });
    ToolCall call;
    Start(kRectangle, "Click the first point", &call);
    Click(10, 10);
    Move(20, 30);
    ASSERT_TRUE(Shows(band));
    Click(20, 30, BUTTON_RIGHT);
    ASSERT_TRUE(DriverWaitFor([] { return StatusWords() == "Click the first point"; }));
    EXPECT_TRUE(Shows(before)) << "the band stayed after going back";
    Click(20, 30, BUTTON_MIDDLE);
    ExpectEnded(call, PXK_TOOL_CANCELLED);
}

TEST_F(PointTools, StopOrAClosedTargetEndsTheToolWithoutSuccess) {
    struct Ending {
        const char* name;
        std::function<void(WindowId)> end;
        int code;
    };
    const Ending endings[] = {
        {"Stop", [](WindowId) { PressMenuBarItem(1); }, PXK_TOOL_STOPPED},
        {"closing the target", [](WindowId w) { PlatPostMessage(w, MSG_CLOSE, 0, 0); }, PXK_TOOL_CLOSED},
    };
    const std::vector<uint32_t> circle = WithFigure([] { PXK_XorCircle(30, 20, 5); });
    for (const Ending& e : endings) {
        SCOPED_TRACE(e.name);
        ToolCall call;
        Start(kCircle, "Click the first point", &call);
        Click(30, 20);
        Move(33, 24);
        ASSERT_TRUE(Shows(circle));
        e.end(window);
        ExpectEnded(call, e.code);
    }
    EXPECT_EQ(ImageInUse(0), 0);
}

// ---- Start conditions --------------------------------------------------------------------

TEST_F(PointTools, StaleRightPressDoesNotCancelTheNextTool) {
    OnWorker([] { point_input.right_flag = 1; point_input.click_flag = 1; });
    ToolCall call;
    Start(kLine, "Click the first point", &call);
    Click(3, 4);
    ASSERT_TRUE(DriverWaitFor([] { return StatusWords() == "Click the second point"; }));
    Click(5, 6);
    ExpectEnded(call, PXK_TOOL_DONE);
    EXPECT_EQ(std::vector<int>(call.out, call.out + 4), (std::vector<int>{3, 4, 5, 6}));
}

TEST_F(PointTools, RefusedToolsChangeNothing) {
    struct Refusal {
        int index;
        bool tool_running;
        int code;
    };
    const Refusal refusals[] = {{256, false, PXK_TOOL_NO_IMAGE}, {-1, false, PXK_TOOL_NO_IMAGE},
                                {7, false, PXK_TOOL_NO_IMAGE}, {0, true, PXK_TOOL_BUSY}};
    const std::string status = StatusWords();
    for (const Refusal& r : refusals) {
        int out[2] = {-9, -9};
        const int code = Ask<int>([&] {
            point_input.point_mode = r.tool_running ? 1 : 0;
            const int c = PXK_GetPoint(r.index, out, out + 1);
            point_input.point_mode = 0;
            return c;
        });
        EXPECT_EQ(code, r.code) << r.index;
        EXPECT_EQ(out[0] + out[1], -18);
        EXPECT_EQ(StatusWords(), status);
    }
}

// Commands that reach the window while a tool waits are dropped: none of them runs inside
// the tool's pump.
TEST_F(PointTools, CommandsWaitingForTheWorkerAreIgnoredWhileAToolRuns) {
    ToolCall call;
    Start(kPoint, "Click a point", &call);
    PlatPostMessage(window, MSG_COMMAND, (uintptr_t)MakeParam(CMD_IMAGE_ZOOM_200, 0), 0);
    PlatPostMessage(window, MSG_COMMAND, (uintptr_t)MakeParam(CMD_IMAGE_DESTROY, 0), 0);
    ASSERT_TRUE(DriverWaitIdle());
    Click(7, 8);
    ExpectEnded(call, PXK_TOOL_DONE);
    EXPECT_EQ(Ask<int>([] { return image_table[0].in_use.load() * 1000 + image_table[0].zoom; }), 1100);
}

// ---- Redrawing only what a preview changed -----------------------------------------------

// After a change to some pixels, redrawing only their area leaves the window exactly as a
// whole redraw does, at stretched zooms in both stretch modes (the area grows to whole
// blocks of the zoom's ratio).
TEST_F(PointTools, AnAreaRedrawShowsWhatAWholeRedrawShows) {
    struct View {
        int width, height, zoom, mode;
        int l, t, r, b;   // the changed pixels
    };
    const View views[] = {{400, 300, 35, PXK_STRETCH_HALFTONE, 101, 37, 250, 41},
                          {400, 300, 35, PXK_STRETCH_NEAREST, 3, 100, 5, 299},
                          {301, 211, 67, PXK_STRETCH_HALFTONE, 150, 100, 151, 101},
                          {90, 70, 200, PXK_STRETCH_NEAREST, 10, 20, 30, 40}};
    for (const View& v : views) {
        SCOPED_TRACE(v.zoom);
        ASSERT_EQ(Ask<int>([&] {
                      PXK_CreateImage(2, "stretched", 600, 300, v.width, v.height, v.zoom);
                      PXK_SetStretchMode(v.mode, 2);
                      WriteImagePixels(2, PatternColor);
                      PXK_RedrawImage(2);
                      return image_table[2].zoom;
                  }),
                  v.zoom);
        const WindowId w = ImageWindow(2);
        ASSERT_TRUE(DriverWaitIdle());
        const std::vector<uint32_t> old_view = ShownColors(w);
        OnWorker([&] {
            PXK_SelectImage(2);
            PXK_XorFillBox(v.l, v.t, v.r, v.b);
            RedrawImageArea(2, v.l, v.t, v.r, v.b);
        });
        ASSERT_TRUE(DriverWaitIdle());
        const std::vector<uint32_t> area = ShownColors(w);
        OnWorker([] { PXK_RedrawImage(2); });
        ASSERT_TRUE(DriverWaitIdle());
        const std::vector<uint32_t> whole = ShownColors(w);
        EXPECT_TRUE(area != old_view) << "nothing was redrawn";
        EXPECT_TRUE(area == whole) << "the area redraw differs from the whole redraw";
        OnWorker([] { PXK_DestroyImage(2); });
    }
}

// ---- Sizes in 64 bits ----------------------------------------------------------------------

TEST(PointToolSizes, RadiiAndPlacementBoxesDoNotOverflow) {
    struct Radius {
        int64_t dx, dy;
        int r;
    };
    const Radius radii[] = {{3, 4, 5},         {1, 1, 1},          {0, 0, 0},           {-3, -4, 5},
                            {46341, 0, 46341}, {50000, 50000, 70711}, {2147483647, 2147483647, 2147483647}};
    for (const Radius& c : radii) EXPECT_EQ(CircleRadius(c.dx, c.dy), c.r) << c.dx << "," << c.dy;
    const PlacementBox b = PlacementAt(2000000000, -5, 2147483647, 9);
    EXPECT_EQ(b.left, 2000000000LL - 1073741823);
    EXPECT_EQ(b.right, 2000000000LL + 1073741823);
    EXPECT_EQ(b.top, -9);
    EXPECT_EQ(b.bottom, -1);
}

}  // namespace
