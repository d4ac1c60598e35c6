// The inspector window in the running program: opened and closed by I in an image window,
// Ctrl+I in the main window and the two calls; following the pointer from image to image
// and staying on the last one; showing on screen exactly what the view draws from the
// image (a changed and redrawn image included); the log toggle; its remembered place; its
// entry in the window list and snapping; and its name in scripts.
#include <gtest/gtest.h>

#include "framework/script/script_targets.h"
#include "imagewin/image_histogram.h"
#include "imaging/pixel_panel_view.h"
#include "imaging/pixel_panel_window.h"
#include "imagewin/image_table.h"
#include "platform/draw/draw.h"
#include "platform/window/input.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/run_control.h"
#include "runtime/window_rects.h"
#include "support/harness.h"
#include "support/image_access.h"
#include "support/program_fixture.h"
#include "support/worker_jobs.h"

extern "C" void UserSetup(void) { StartRequested.store(1); }
extern "C" void UserMain(void) { ServeJobsUntilExit(); }

namespace {

using InspectorRun = ProgramTest;

WindowId Shown(void) { return DriverFindWindowByClass("pxk_inspector"); }

InspectorFocus Focus(void) { return Ask<InspectorFocus>([] { return InspectorFocusNow(); }); }

uint32_t Pattern(int x, int y) { return (uint32_t)((x * 37 & 255) << 16 | (y * 11 & 255) << 8 | ((x ^ y) * 5 & 255)); }

// Empty when the window shows what the view draws now from the followed image.
std::string DiffFromView(void) {
    if (!DriverWaitSettled()) return "not settled";
    std::vector<uint32_t> want((size_t)INSPECTOR_WIDTH * INSPECTOR_HEIGHT);
    OnWorker([&] {
        const InspectorFocus f = InspectorFocusNow();
        InspectorSnapshot s{};
        GatherInspectorPixels(f.image, f.has_point, f.x, f.y, &s);
        s.has_counts = s.image >= 0 && CountImageChannels(s.image, s.bits == 8 ? 1u : 0xFu, s.counts) == 0;
        s.log_scale = f.log_scale;
        Surface* view = nullptr;
        if (PlatCreateSurface(&view, INSPECTOR_WIDTH, INSPECTOR_HEIGHT, 32) != 0) return;
        RenderInspector(view, s);
        for (int y = 0; y < INSPECTOR_HEIGHT; y++)
            memcpy(&want[(size_t)y * INSPECTOR_WIDTH], SurfaceRow(view, y), INSPECTOR_WIDTH * 4);
        PlatDestroySurface(view);
    });
    int w = 0, h = 0;
    const std::vector<uint32_t> got = ShownColors(Shown(), &w, &h);
    if (w != INSPECTOR_WIDTH || h != INSPECTOR_HEIGHT) return "size " + std::to_string(w) + " x " + std::to_string(h);
    for (size_t i = 0; i < got.size(); i++)
        if (got[i] != (want[i] & 0xFFFFFFu)) return "differs at (" + std::to_string(i % w) + ", " + std::to_string(i / w) + ")";
    return "";
}

void PointAt(int index, int x, int y) {
    const PlatRect client = DriverClientRectScreen(ImageWindow(index));
    DriverMovePointer(client.left + x, client.top + y);
}

TEST_F(InspectorRun, OpensFromEveryPlaceFollowsThePointerAndShowsTheView) {
    ASSERT_EQ(Ask<int>([] { return PXK_CreateImage(0, "left", 500, 100, 100, 80, 200); }), 0);
    ASSERT_EQ(Ask<int>([] { return PXK_CreateImage8(1, "right", 900, 100, 64, 64, 200); }), 0);
    OnWorker([] {
        WriteImagePixels(0, Pattern);
        WriteImagePixels(1, [](int x, int y) { return (uint32_t)(x * 4 + y) & 255; });
        PXK_RedrawImage(0);
        PXK_RedrawImage(1);
    });
    EXPECT_EQ(Shown(), 0u);
    PlatSetForegroundWindow(ImageWindow(0));
    DriverKey('I');
    ASSERT_TRUE(DriverWaitFor([] { return Shown() != 0; }));
    EXPECT_EQ(DriverWindowText(Shown()), "Inspector");
    EXPECT_TRUE(DriverWaitFor([] { return ScriptWindow("inspector") == Shown(); }));

    // Client (10, 21) at zoom 200 is pixel (5, 10); the loupe's centre cell shows its colour.
    PointAt(0, 10, 21);
    ASSERT_TRUE(DriverWaitFor([] { const InspectorFocus f = Focus(); return f.image == 0 && f.x == 5 && f.y == 10; }));
    EXPECT_EQ(DiffFromView(), "");
    const int centre = LOUPE_RADIUS * LOUPE_CELL + 3;
    EXPECT_EQ(ShownColors(Shown())[(size_t)(LOUPE_TOP + centre) * INSPECTOR_WIDTH + LOUPE_LEFT + centre], Pattern(5, 10));

    // On to the 8-bit image, then off every image: it stays on the last one.
    PointAt(1, 127, 1);
    ASSERT_TRUE(DriverWaitFor([] { const InspectorFocus f = Focus(); return f.image == 1 && f.x == 63 && f.y == 0; }));
    DriverMovePointer(1900, 1000);
    EXPECT_EQ(DiffFromView(), "");
    EXPECT_EQ(Focus().image, 1);

    // A changed image shows its new histogram once redrawn.
    OnWorker([] {
        WriteImagePixels(1, [](int x, int) { return (uint32_t)x; });
        PXK_RedrawImage(1);
    });
    EXPECT_EQ(DiffFromView(), "");

    // A click on the plot: log scale.
    const PlatRect inspector = DriverClientRectScreen(Shown());
    DriverClick(inspector.left + PLOT_LEFT + 100, inspector.top + PLOT_TOP + 50);
    ASSERT_TRUE(DriverWaitFor([] { return Focus().log_scale; }));
    EXPECT_EQ(DiffFromView(), "");

    // Ctrl+I in the main window, then the calls.
    PressMainWindowKey('I', INPUT_MOD_CONTROL);
    ASSERT_TRUE(DriverWaitFor([] { return Shown() == 0; }));
    PressMainWindowKey('I', INPUT_MOD_CONTROL);
    ASSERT_TRUE(DriverWaitFor([] { return Shown() != 0; }));
    OnWorker([] { PXK_CloseInspector(); });
    EXPECT_EQ(Shown(), 0u);
    OnWorker([] { PXK_OpenInspector(); PXK_OpenInspector(); });
    EXPECT_NE(Shown(), 0u);
}

bool ListHolds(PlatRect r) {
    const auto& l = window_rect_list;
    for (int i = 0; i < l.count.load(); i++)
        if (l.left[i] == r.left && l.top[i] == r.top && l.right[i] == r.right && l.bottom[i] == r.bottom) return true;
    return false;
}

TEST_F(InspectorRun, SnapsToOtherWindowsAndOpensWhereItWasClosed) {
    ASSERT_EQ(Ask<int>([] { return PXK_CreateImage(0, "left", 100, 100, 200, 150, 100); }), 0);
    OnWorker([] { PXK_OpenInspector(); });
    ASSERT_NE(Shown(), 0u);
    const PlatRect image = DriverWindowRect(ImageWindow(0));
    PlatRect r = DriverWindowRect(Shown());
    // Dragged by its caption with Ctrl to 5 pixels right of the image window: it snaps flush.
    const int grab_x = r.left + 40, grab_y = r.top + 10;
    DriverSetModifiers(INPUT_MOD_CONTROL);
    DriverDrag(grab_x, grab_y, grab_x + (image.right + 5 - r.left), grab_y + (image.top - r.top));
    DriverSetModifiers(0);
    ASSERT_TRUE(DriverWaitSettled());
    r = DriverWindowRect(Shown());
    EXPECT_EQ(r.left, image.right);
    EXPECT_EQ(r.top, image.top);
    EXPECT_TRUE(ListHolds(r));
    OnWorker([] { PXK_CloseInspector(); });
    EXPECT_FALSE(ListHolds(r));
    PlatSetForegroundWindow(ImageWindow(0));
    DriverKey('I');
    ASSERT_TRUE(DriverWaitFor([] { return Shown() != 0; }));
    EXPECT_EQ(DriverWindowRect(Shown()).left, r.left);
    EXPECT_EQ(DriverWindowRect(Shown()).top, r.top);
}

}  // namespace
