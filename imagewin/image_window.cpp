// The image window procedure: painting, closing, moving (with snapping), the keys and the
// mouse. Each message case calls one handler. Commands, popup menus and dropped files are
// handed on (image_commands.h).
#include "imagewin/image_window.h"
#include "imagewin/image_commands.h"
#include "imagewin/image_watch.h"
#include "imagewin/image_table.h"
#include "imagewin/point_input.h"
#include "platform/draw/draw.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/startup_state.h"
#include "runtime/window_classes.h"
#include "runtime/window_rects.h"

static bool ControlHeld() { return (PlatGetKeyState(KEY_CONTROL) & KEY_STATE_DOWN) != 0; }

// The ratio steps stand still at the lowest zooms ((10z + 4) / 9 keeps 1..4, (9z + 5) / 10
// keeps 1..5), so every step moves by at least one percent, never below 1% and never past
// the largest int.
int ZoomStepUp(int zoom) {
    if (zoom < 1) return 1;
    int64_t z = (10 * (int64_t)zoom + 4) / 9;
    if (z <= zoom) z = (int64_t)zoom + 1;
    return z > INT32_MAX ? INT32_MAX : (int)z;
}

int ZoomStepDown(int zoom) {
    if (zoom <= 1) return 1;
    int64_t z = (9 * (int64_t)zoom + 5) / 10;
    if (z >= zoom) z = (int64_t)zoom - 1;
    return (int)z;
}

// The paint draws only inside the damaged rectangle, so its cost follows the damage (a small
// window moved over a large view) and not the image; the stretch computes no pixel outside
// it. A paint without a recorded rectangle draws everything.
static void OnPaint(WindowId window) {
    PlatRect invalid{};
    PlatBeginPaint(window, &invalid);
    const int index = PXK_FindImageByWindow(window);
    if (index >= 0) {
        if (!RectIsEmpty(invalid)) PlatSetPaintClip(window, &invalid);
        PXK_RedrawImage(index);
        PlatSetPaintClip(window, nullptr);
    }
    PlatEndPaint(window);
}

static void OnClose(WindowId window) {
    const int index = PXK_FindImageByWindow(window);
    if (index >= 0) PXK_DestroyImage(index);
}

// The border cannot resize the window: only zoom and resize change its size.
static void OnSizing(WindowId window, PlatRect* proposed) {
    if (proposed) PlatGetWindowRect(window, proposed);
}

static void PostCommand(WindowId window, int command) {
    PlatPostMessage(window, MSG_COMMAND, (uintptr_t)MakeParam(command, 0), 0);
}

static void StepZoom(WindowId window, bool up) {
    const int index = PXK_FindImageByWindow(window);
    if (index < 0) return;
    const int zoom = image_table[index].zoom;
    PXK_SetZoom(up ? ZoomStepUp(zoom) : ZoomStepDown(zoom), index);
}

// The Ctrl shortcuts; false when the key is not one of them.
static bool OnControlKey(WindowId window, int key) {
    switch (key) {
    case 'X': PostCommand(window, CMD_IMAGE_CUT); return true;
    case 'C': PostCommand(window, CMD_IMAGE_COPY); return true;
    case 'V': PostCommand(window, CMD_IMAGE_PASTE); return true;
    case 'Q': PostCommand(window, CMD_IMAGE_DESTROY); return true;
    case 'R': PostCommand(window, CMD_IMAGE_CLIPPING); return true;
    // The keypad's zoom keys, and beside them the main keyboard's (laptops have no keypad).
    case KEY_ADD:
    case KEY_OEM_PLUS: StepZoom(window, true); return true;
    case KEY_SUBTRACT:
    case KEY_OEM_MINUS: StepZoom(window, false); return true;
    case KEY_NUMPAD0:
    case '0': {
        const int index = PXK_FindImageByWindow(window);
        if (index >= 0) PXK_SetZoom(100, index);
        return true;
    }
    default: return false;
    }
}

static void ToggleStretchMode(WindowId window) {
    const int index = PXK_FindImageByWindow(window);
    if (index < 0) return;
    const int nearest = PXK_GetStretchMode(index) == PXK_STRETCH_NEAREST;
    PXK_SetStretchMode(nearest ? PXK_STRETCH_HALFTONE : PXK_STRETCH_NEAREST, index);
}

static void OnKeyDown(WindowId window, uintptr_t key, intptr_t lparam) {
    if (point_input.point_mode) return;
    if (ControlHeld() && OnControlKey(window, (int)key)) return;
    switch (key) {
    case 'X':
    case 'C':
    case 'S':
    case KEY_ESCAPE: PlatPostMessage(main_window.load(std::memory_order_acquire), MSG_KEYDOWN, key, lparam); break;
    case KEY_TAB: ToggleStretchMode(window); break;
    case 'I': InspectionToggle(); break;
    default: break;
    }
}

// While a point tool waits, commands are dropped: one that ran inside the tool's pump would
// nest a second tool, or change the pixels under its preview.
static void OnCommand(WindowId window, uintptr_t wparam) {
    if (point_input.point_mode) return;
    const int index = PXK_FindImageByWindow(window);
    if (index >= 0) RunImageCommand(window, index, ParamLow((intptr_t)wparam));
}

// True while a point tool listens to this window; its image's zoom then converts positions.
static bool ToolTargetsWindow(WindowId window, int* zoom) {
    if (!point_input.point_mode) return false;
    const int target = point_input.target_image;
    if ((unsigned)target >= IMAGE_SLOTS) return false;
    const ImageRecord& r = image_table[target];
    if (!r.in_use.load(std::memory_order_acquire) || r.window != window || r.zoom <= 0) return false;
    *zoom = r.zoom;
    return true;
}

static void OnLeftButtonDown(WindowId window, uintptr_t flags, intptr_t pos) {
    int zoom;
    if (!ToolTargetsWindow(window, &zoom)) return;
    PutToolClick(ParamLow(pos) * 100 / zoom, ParamHigh(pos) * 100 / zoom, (flags & MOUSE_SHIFT) ? 1 : 0);
}

static void OnMouseMove(WindowId window, intptr_t pos) {
    if (image_inspection_open) {
        const int index = PXK_FindImageByWindow(window);
        const int z = index >= 0 ? image_table[index].zoom : 0;
        if (z > 0) InspectionPointer(index, ParamLow(pos) * 100 / z, ParamHigh(pos) * 100 / z);
    }
    int zoom;
    if (!ToolTargetsWindow(window, &zoom)) return;
    point_input.move_flag = 1;
    point_input.move_x = ParamLow(pos) * 100 / zoom;
    point_input.move_y = ParamHigh(pos) * 100 / zoom;
}

// Right button (processing menu with Ctrl) and middle button (always the processing menu).
static void OnMenuButtonDown(WindowId window, bool processing) {
    if (point_input.point_mode) {
        int zoom;
        if (ToolTargetsWindow(window, &zoom)) point_input.right_flag = 1;
        return;
    }
    const int index = PXK_FindImageByWindow(window);
    if (index >= 0) OpenImagePopupMenu(window, index, processing);
}

static void OnMouseWheel(WindowId window, uintptr_t wparam) {
    const int flags = ParamLow((intptr_t)wparam);
    const int delta = (int16_t)ParamHigh((intptr_t)wparam);
    if (!(flags & MOUSE_CONTROL) || delta == 0) return;
    StepZoom(window, delta < 0);
}

static void OnDropFiles(WindowId window, uintptr_t wparam) {
    DropList* list = (DropList*)wparam;
    const int index = PXK_FindImageByWindow(window);
    // A file loaded under a point tool's preview would be spoilt when the preview goes.
    if (index >= 0 && !point_input.point_mode)
        DropFilesOnImage(window, index, list);
    else
        PlatDragFinish(list);
}

static const KindWindowHandlers IMAGE_WINDOW_HANDLERS{nullptr, OnClose, nullptr};

intptr_t ImageWindowProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case MSG_CREATE: return 0;
    case MSG_MOVE:
    case MSG_MOVING:
    case MSG_CLOSE:
    case MSG_DESTROY: return KindWindowDefault(window, msg, wparam, lparam, IMAGE_WINDOW_HANDLERS);
    case MSG_SIZING: OnSizing(window, (PlatRect*)lparam); return 0;
    case MSG_PAINT: OnPaint(window); return 0;
    case MSG_KEYDOWN: OnKeyDown(window, wparam, lparam); return 0;
    case MSG_COMMAND: OnCommand(window, wparam); return 0;
    case MSG_LBUTTONDOWN: OnLeftButtonDown(window, wparam, lparam); return 0;
    case MSG_MOUSEMOVE: OnMouseMove(window, lparam); return 0;
    case MSG_RBUTTONDOWN: OnMenuButtonDown(window, ControlHeld()); return 0;
    case MSG_MBUTTONDOWN: OnMenuButtonDown(window, true); return 0;
    case MSG_MOUSEWHEEL: OnMouseWheel(window, wparam); return 0;
    case MSG_DROPFILES: OnDropFiles(window, wparam); return 0;
    default: return PlatDefWindowProc(window, msg, wparam, lparam);
    }
}
