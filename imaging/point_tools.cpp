// The interactive point tools. A tool runs on the worker thread inside a command or a user
// program: it names its target image in the point-tool input (imagewin/point_input.h), which
// the image window fills from the mouse, and waits for that input while pumping the worker's
// messages. Its preview is an XOR figure drawn into the image's own pixels, so drawing the
// same figure again removes it and the image is left exactly as it was found.
#include "imaging/point_tools.h"

#include <math.h>
#include <stdio.h>

#include <algorithm>
#include <climits>

#include "imagewin/image_table.h"
#include "imagewin/image_view.h"
#include "imagewin/point_input.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/run_control.h"
#include "runtime/startup_state.h"

namespace {

// A tool goes on while its steps return this; any other value is its result.
const int TOOL_GO_ON = -1;

// The longest a tool waits without looking at the flags again. Messages, Stop and Exit
// wake the wait earlier, so this is only a safety net, not a poll.
enum { TOOL_WAIT_MS = 100 };

// The image a running tool listens to, as it was when the tool started: a window of
// another image in the same slot is not the target any more.
struct ToolTarget {
    int index;
    WindowId window;
};

enum PreviewKind { PREVIEW_NONE, PREVIEW_ROW, PREVIEW_COLUMN, PREVIEW_BOX, PREVIEW_LINE, PREVIEW_CIRCLE,
                   PREVIEW_PLACEMENT };

// One XOR figure as drawn; drawing the same record again removes it.
struct Preview {
    int kind;
    int64_t x1, y1, x2, y2;   // the figure's points (circle: centre and the point on it)
    int64_t bw, bh;           // the placement box's size
    bool shown;
};

}  // namespace

int CircleRadius(int64_t dx, int64_t dy) {
    const long double d2 = (long double)dx * dx + (long double)dy * dy;
    const long double r = floorl(sqrtl(d2) + 0.5L);
    return r >= (long double)INT_MAX ? INT_MAX : (int)r;
}

PlacementBox PlacementAt(int64_t x, int64_t y, int64_t bw, int64_t bh) {
    PlacementBox b;
    b.left = x - bw / 2;
    b.right = b.left + bw - 1;
    b.top = y - bh / 2;
    b.bottom = b.top + bh - 1;
    return b;
}

static int ClampInt(int64_t v) { return v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : (int)v; }

static bool SlotInUse(int index) {
    return (unsigned)index < IMAGE_SLOTS && image_table[index].in_use.load(std::memory_order_acquire);
}

static bool TargetAlive(const ToolTarget& t) { return SlotInUse(t.index) && image_table[t.index].window == t.window; }

static void DrawPlacement(const Preview& p) {
    const PlacementBox b = PlacementAt(p.x1, p.y1, p.bw, p.bh);
    PXK_XorBox(ClampInt(b.left), ClampInt(b.top), ClampInt(b.right), ClampInt(b.bottom));
    if (p.bw < 9 || p.bh < 9) return;
    PXK_XorLine(ClampInt(b.left + 1), ClampInt(b.top + 1), ClampInt(b.right - 1), ClampInt(b.bottom - 1));
    PXK_XorLine(ClampInt(b.right - 1), ClampInt(b.top + 1), ClampInt(b.left + 1), ClampInt(b.bottom - 1));
}

static void DrawFigure(const ToolTarget& t, const Preview& p) {
    const ImageRecord& r = image_table[t.index];
    switch (p.kind) {
    case PREVIEW_ROW: PXK_XorLine(0, ClampInt(p.y1), r.width - 1, ClampInt(p.y1)); break;
    case PREVIEW_COLUMN: PXK_XorLine(ClampInt(p.x1), 0, ClampInt(p.x1), r.height - 1); break;
    case PREVIEW_BOX: PXK_XorBox(ClampInt(p.x1), ClampInt(p.y1), ClampInt(p.x2), ClampInt(p.y2)); break;
    case PREVIEW_LINE: PXK_XorLine(ClampInt(p.x1), ClampInt(p.y1), ClampInt(p.x2), ClampInt(p.y2)); break;
    case PREVIEW_CIRCLE:
        PXK_XorCircle(ClampInt(p.x1), ClampInt(p.y1), CircleRadius(p.x2 - p.x1, p.y2 - p.y1));
        break;
    case PREVIEW_PLACEMENT: DrawPlacement(p); break;
    default: break;
    }
}

// ---- Repainting what a figure covers ------------------------------------------------------
// A preview changes a thin figure, so only the window over it is redrawn: a box by its four
// edges, a line and a circle in bands, each band by the part of the figure that lies in it
// (one pixel of slack on every side).

enum { REPAINT_BAND = 32 };

static void RepaintArea(const ToolTarget& t, int64_t l, int64_t tp, int64_t r, int64_t b) {
    RedrawImageArea(t.index, ClampInt(std::min(l, r) - 1), ClampInt(std::min(tp, b) - 1), ClampInt(std::max(l, r) + 1),
                    ClampInt(std::max(tp, b) + 1));
}

static void RepaintBoxEdges(const ToolTarget& t, int64_t l, int64_t tp, int64_t r, int64_t b) {
    RepaintArea(t, l, tp, r, tp);
    RepaintArea(t, l, b, r, b);
    RepaintArea(t, l, tp, l, b);
    RepaintArea(t, r, tp, r, b);
}

// The line in pieces along its longer axis; a piece stays between the positions where the
// line enters and leaves it.
static void RepaintLine(const ToolTarget& t, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
    const int64_t dx = x2 - x1, dy = y2 - y1;
    const int64_t n = std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy);
    if (n == 0) {
        RepaintArea(t, x1, y1, x1, y1);
        return;
    }
    for (int64_t i = 0; i < n; i += REPAINT_BAND) {
        const int64_t j = std::min<int64_t>(i + REPAINT_BAND, n);
        RepaintArea(t, x1 + dx * i / n, y1 + dy * i / n, x1 + dx * j / n, y1 + dy * j / n);
    }
}

static int64_t FloorSqrt(int64_t v) { return v <= 0 ? 0 : (int64_t)floorl(sqrtl((long double)v)); }

static int64_t Distance(int64_t a, int64_t b) { return a > b ? a - b : b - a; }

// The circle in bands of rows: in each band its pixels lie between the inner and the outer
// half-width of the ring, left and right of the centre.
static void RepaintCircle(const ToolTarget& t, int64_t cx, int64_t cy, int64_t r) {
    for (int64_t y0 = cy - r - 1; y0 <= cy + r + 1; y0 += REPAINT_BAND) {
        const int64_t y1 = std::min(y0 + REPAINT_BAND - 1, cy + r + 1);
        const int64_t near_dy = (y0 <= cy && cy <= y1) ? 0 : std::min(Distance(y0, cy), Distance(y1, cy));
        const int64_t far_dy = std::max(Distance(y0, cy), Distance(y1, cy));
        const int64_t outer = FloorSqrt(r * r - near_dy * near_dy) + 1;
        const int64_t inner = std::max<int64_t>(FloorSqrt(r * r - far_dy * far_dy) - 1, 0);
        RepaintArea(t, cx - outer, y0, cx - inner, y1);
        RepaintArea(t, cx + inner, y0, cx + outer, y1);
    }
}

static void RepaintFigure(const ToolTarget& t, const Preview& p) {
    const ImageRecord& r = image_table[t.index];
    switch (p.kind) {
    case PREVIEW_ROW: RepaintArea(t, 0, p.y1, r.width - 1, p.y1); break;
    case PREVIEW_COLUMN: RepaintArea(t, p.x1, 0, p.x1, r.height - 1); break;
    case PREVIEW_BOX: RepaintBoxEdges(t, p.x1, p.y1, p.x2, p.y2); break;
    case PREVIEW_LINE: RepaintLine(t, p.x1, p.y1, p.x2, p.y2); break;
    case PREVIEW_CIRCLE: RepaintCircle(t, p.x1, p.y1, CircleRadius(p.x2 - p.x1, p.y2 - p.y1)); break;
    case PREVIEW_PLACEMENT: {
        const PlacementBox b = PlacementAt(p.x1, p.y1, p.bw, p.bh);
        RepaintBoxEdges(t, b.left, b.top, b.right, b.bottom);
        if (p.bw >= 9 && p.bh >= 9) {
            RepaintLine(t, b.left + 1, b.top + 1, b.right - 1, b.bottom - 1);
            RepaintLine(t, b.right - 1, b.top + 1, b.left + 1, b.bottom - 1);
        }
        break;
    }
    default: break;
    }
}

// Inverts the figure in the target's pixels whatever image is current meanwhile; the pen
// moves as the drawing operations move it.
static void ToggleFigure(const ToolTarget& t, Preview* p) {
    if (p->kind == PREVIEW_NONE || !TargetAlive(t)) return;
    const int current = current_image.load(std::memory_order_acquire);
    current_image.store(t.index, std::memory_order_release);
    DrawFigure(t, *p);
    current_image.store(current, std::memory_order_release);
    p->shown = !p->shown;
    RepaintFigure(t, *p);
}

static void ShowPreview(const ToolTarget& t, Preview* p) {
    if (!p->shown) ToggleFigure(t, p);
}

static void HidePreview(const ToolTarget& t, Preview* p) {
    if (p->shown) ToggleFigure(t, p);
}

// The start of every tool once its image is known to be there: no drops on the main window,
// the image current, the flags of earlier presses cleared (the last pointer position is kept:
// it places the first preview), the tool marked active, and then the prompt.
static int BeginTool(int index, const char* prompt, ToolTarget* t) {
    if (!SlotInUse(index)) return PXK_TOOL_NO_IMAGE;
    if (point_input.point_mode) return PXK_TOOL_BUSY;
    const WindowId main = main_window.load(std::memory_order_acquire);
    if (main) PlatDragAcceptFiles(main, false);
    PXK_SelectImage(index);
    point_input.click_flag = 0;
    point_input.right_flag = 0;
    point_input.move_flag = 0;
    StopRequested.store(0);
    point_input.target_image = index;
    point_input.point_mode = 1;
    point_tool_active.store(1, std::memory_order_release);
    t->index = index;
    t->window = image_table[index].window;
    // The prompt comes last: once the user can read it, the tool takes clicks and the main
    // window knows a tool runs.
    PXK_SetStatusText(prompt);
    return TOOL_GO_ON;
}

// The main window takes drops again only while no user program runs: once the main entry
// has begun the requests that a drop makes are never carried out.
static void EndTool(void) {
    char text[32];
    snprintf(text, sizeof text, "%d-bit color", screen_bits);
    PXK_SetStatusText(text);
    point_input.point_mode = 0;
    point_input.target_image = -1;
    point_tool_active.store(0, std::memory_order_release);
    const WindowId main = main_window.load(std::memory_order_acquire);
    if (main && Running.load() == 0) PlatDragAcceptFiles(main, true);
}

// Pumps until the image window has set a flag, or the tool must end because its window went
// away or Stop or Exit was chosen.
static int WaitForToolInput(const ToolTarget& t) {
    for (;;) {
        if (!TargetAlive(t)) return PXK_TOOL_CLOSED;
        if (StopRequested.load() || ExitState.load() != PXK_EXIT_NONE) return PXK_TOOL_STOPPED;
        if (point_input.click_flag || point_input.right_flag || point_input.move_flag) return TOOL_GO_ON;
        PXK_WaitForMessages(TOOL_WAIT_MS);
        PXK_PumpMessages();
    }
}

static void Output(int* out, int64_t value) {
    if (out) *out = ClampInt(value);
}

// ---- One-click tools: point, row, column, placement ----------------------------------------

// The preview of a one-click tool at a pointer position.
static Preview OneClickPreview(int kind, int64_t x, int64_t y, int bw, int bh) {
    return Preview{kind, x, y, x, y, bw, bh, false};
}

// One pass over the flags: the click before the right button, the right button before the
// move.
static int OneClickStep(const ToolTarget& t, Preview* p, int64_t* x, int64_t* y) {
    if (point_input.click_flag) {
        int cx, cy;
        TakeToolClick(&cx, &cy);
        *x = cx;
        *y = cy;
        return PXK_TOOL_DONE;
    }
    if (point_input.right_flag) {
        point_input.right_flag = 0;
        return PXK_TOOL_CANCELLED;
    }
    point_input.move_flag = 0;
    if (p->kind == PREVIEW_NONE) return TOOL_GO_ON;
    HidePreview(t, p);
    *p = OneClickPreview(p->kind, point_input.move_x, point_input.move_y, (int)p->bw, (int)p->bh);
    ShowPreview(t, p);
    return TOOL_GO_ON;
}

static int RunOneClickTool(int index, int kind, int bw, int bh, int* x, int* y) {
    ToolTarget t;
    int code = BeginTool(index, "Click a point", &t);
    if (code != TOOL_GO_ON) return code;
    int64_t px = 0, py = 0;
    Preview p = OneClickPreview(kind, point_input.move_x, point_input.move_y, bw, bh);
    ShowPreview(t, &p);
    while (code == TOOL_GO_ON) {
        code = WaitForToolInput(t);
        if (code == TOOL_GO_ON) code = OneClickStep(t, &p, &px, &py);
    }
    HidePreview(t, &p);
    EndTool();
    Output(x, px);
    Output(y, py);
    return code;
}

extern "C" int PXK_GetPoint(int index, int* x, int* y) { return RunOneClickTool(index, PREVIEW_NONE, 0, 0, x, y); }

extern "C" int PXK_GetRowPoint(int index, int* x, int* y) {
    return RunOneClickTool(index, PREVIEW_ROW, 0, 0, x, y);
}

extern "C" int PXK_GetColumnPoint(int index, int* x, int* y) {
    return RunOneClickTool(index, PREVIEW_COLUMN, 0, 0, x, y);
}

extern "C" int PXK_GetPlacement(int index, int bw, int bh, int* x, int* y) {
    return RunOneClickTool(index, PREVIEW_PLACEMENT, bw, bh, x, y);
}

// ---- Two-point tools: rectangle, line, circle ------------------------------------------------

// State 0 waits for the first point, state 1 for the second; the preview joins the first
// point to the second (the pointer while it moves).
struct TwoPointRun {
    ToolTarget target;
    Preview preview;
    int state;
};

static void TwoPointClick(TwoPointRun* run, int64_t x, int64_t y) {
    Preview* p = &run->preview;
    HidePreview(run->target, p);
    if (run->state == 0) {
        p->x1 = p->x2 = x;
        p->y1 = p->y2 = y;
        ShowPreview(run->target, p);
        PXK_SetStatusText("Click the second point");
        run->state = 1;
    } else {
        p->x2 = x;
        p->y2 = y;
    }
}

static int TwoPointStep(TwoPointRun* run) {
    if (point_input.click_flag) {
        int x, y;
        TakeToolClick(&x, &y);
        const int was = run->state;
        TwoPointClick(run, x, y);
        return was == 1 ? PXK_TOOL_DONE : TOOL_GO_ON;
    }
    if (point_input.right_flag) {
        point_input.right_flag = 0;
        if (run->state == 0) return PXK_TOOL_CANCELLED;
        HidePreview(run->target, &run->preview);
        PXK_SetStatusText("Click the first point");
        run->state = 0;
        return TOOL_GO_ON;
    }
    point_input.move_flag = 0;
    if (run->state == 1) {
        HidePreview(run->target, &run->preview);
        run->preview.x2 = point_input.move_x;
        run->preview.y2 = point_input.move_y;
        ShowPreview(run->target, &run->preview);
    }
    return TOOL_GO_ON;
}

// Runs the tool; the preview record holds the points afterwards (both 0 before a first point).
static int RunTwoPointTool(int index, int kind, Preview* points) {
    TwoPointRun run{{}, Preview{kind, 0, 0, 0, 0, 0, 0, false}, 0};
    int code = BeginTool(index, "Click the first point", &run.target);
    if (code != TOOL_GO_ON) return code;
    while (code == TOOL_GO_ON) {
        code = WaitForToolInput(run.target);
        if (code == TOOL_GO_ON) code = TwoPointStep(&run);
    }
    HidePreview(run.target, &run.preview);
    EndTool();
    *points = run.preview;
    return code;
}

extern "C" int PXK_GetRectangle(int index, int* x1, int* y1, int* x2, int* y2) {
    Preview p;
    const int code = RunTwoPointTool(index, PREVIEW_BOX, &p);
    if (code == PXK_TOOL_NO_IMAGE || code == PXK_TOOL_BUSY) return code;
    Output(x1, p.x1 < p.x2 ? p.x1 : p.x2);
    Output(y1, p.y1 < p.y2 ? p.y1 : p.y2);
    Output(x2, p.x1 < p.x2 ? p.x2 : p.x1);
    Output(y2, p.y1 < p.y2 ? p.y2 : p.y1);
    return code;
}

extern "C" int PXK_GetLinePoints(int index, int* x1, int* y1, int* x2, int* y2) {
    Preview p;
    const int code = RunTwoPointTool(index, PREVIEW_LINE, &p);
    if (code == PXK_TOOL_NO_IMAGE || code == PXK_TOOL_BUSY) return code;
    Output(x1, p.x1);
    Output(y1, p.y1);
    Output(x2, p.x2);
    Output(y2, p.y2);
    return code;
}

extern "C" int PXK_GetCircle(int index, int* cx, int* cy, int* r) {
    Preview p;
    const int code = RunTwoPointTool(index, PREVIEW_CIRCLE, &p);
    if (code == PXK_TOOL_NO_IMAGE || code == PXK_TOOL_BUSY) return code;
    Output(cx, p.x1);
    Output(cy, p.y1);
    Output(r, CircleRadius(p.x2 - p.x1, p.y2 - p.y1));
    return code;
}
