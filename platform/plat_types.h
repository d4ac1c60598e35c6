// Basic types of the windowing layer: rectangles, points, window handles, the message
// record and the message and key numbers. Every file of the layer and every framework
// folder that speaks to windows includes this one.
#pragma once

#include <stdint.h>
#include <stddef.h>

// A rectangle with exclusive right and bottom edges.
struct PlatRect {
    int left;
    int top;
    int right;
    int bottom;
};

struct PlatPoint {
    int x;
    int y;
};

struct PlatSize {
    int cx;
    int cy;
};

// A window handle: slot index in the low 12 bits, a generation count above, so that a
// handle of a destroyed window never names a new one. 0 is "no window".
typedef uint32_t WindowId;

// A window procedure. Returns 0 for handled messages unless the message says otherwise.
typedef intptr_t (*WindowProc)(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);

// One message of a thread's queue.
struct Message {
    WindowId window;
    int type;
    uintptr_t wparam;
    intptr_t lparam;
    uint32_t time;      // milliseconds of the layer's clock when it was queued
    PlatPoint point;    // cursor position in screen coordinates when it was queued
    uint32_t key_state; // modifier keys and mouse buttons held when it was queued (layer use)
};

// Message numbers. Parameters follow the packing the Parts assume:
//   MSG_MOVE      lparam = MakeParam(client left, client top) in screen coordinates
//   MSG_SIZE      wparam = SIZE_RESTORED, lparam = MakeParam(client width, client height)
//   MSG_MOVING    lparam = PlatRect* proposed outer rectangle (the procedure may change it)
//   MSG_SIZING    wparam = edge (SIZING_LEFT ..), lparam = PlatRect* proposed outer rectangle
//   mouse         wparam = MOUSE_ flags, lparam = MakeParam(client x, client y)
//   MSG_NC*BUTTON wparam = hit code (HIT_), lparam = MakeParam(screen x, screen y)
//   MSG_MOUSEWHEEL wparam = MakeParam(MOUSE_ flags, delta in 120ths), lparam = screen point
//   MSG_KEYDOWN   wparam = KEY_ code, lparam = KeyParam(press): repeat count 1 and the press number
//   MSG_CHAR      wparam = one UTF-16 unit, lparam = KeyParam(press) of the key press that typed
//                 it, or KeyParam(0) for a character no key press typed (recalled, pasted)
//   MSG_COMMAND   wparam = MakeParam(id, notification code), lparam = control window or 0
//   MSG_ACTIVATE  wparam = ACTIVE_ state, lparam = the other window
//   MSG_SETFOCUS / MSG_KILLFOCUS  wparam = the other window
//   MSG_DROPFILES wparam = DropList* (owned by the receiver's message; freed by PlatDragFinish)
enum {
    MSG_NULL = 0,
    MSG_CREATE,
    MSG_DESTROY,
    MSG_MOVE,
    MSG_SIZE,
    MSG_ACTIVATE,
    MSG_SETFOCUS,
    MSG_KILLFOCUS,
    MSG_PAINT,
    MSG_ERASEBKGND,
    MSG_CLOSE,
    MSG_QUIT,
    MSG_SHOWWINDOW,
    MSG_SETTEXT,
    MSG_GETTEXT,
    MSG_NCPAINT,
    MSG_KEYDOWN,
    MSG_KEYUP,
    MSG_CHAR,
    MSG_SYSKEYDOWN,
    MSG_COMMAND,
    MSG_MOUSEMOVE,
    MSG_LBUTTONDOWN,
    MSG_LBUTTONUP,
    MSG_LBUTTONDBLCLK,
    MSG_RBUTTONDOWN,
    MSG_RBUTTONUP,
    MSG_RBUTTONDBLCLK,
    MSG_MBUTTONDOWN,
    MSG_MBUTTONUP,
    MSG_MOUSEWHEEL,
    MSG_NCLBUTTONDOWN,
    MSG_NCLBUTTONDBLCLK,
    MSG_NCRBUTTONDOWN,
    MSG_NCMOUSEMOVE,
    MSG_MOVING,
    MSG_SIZING,
    MSG_ENTERSIZEMOVE,
    MSG_EXITSIZEMOVE,
    MSG_DROPFILES,
    MSG_TIMER,
    MSG_CAPTURECHANGED,
    MSG_MOUSELEAVE,
    // Control messages (edit, button, static), numbered from here.
    MSG_CONTROL_FIRST = 0x0400,
    // Free for window classes of the framework.
    MSG_USER = 0x1000
};

enum { SIZE_RESTORED = 0 };

// ACTIVE_BY_FOCUS is added to the state when the activation comes from giving a window the
// focus, which the window then already has (the default procedure leaves the focus alone).
enum { ACTIVE_NONE = 0, ACTIVE_ACTIVE = 1, ACTIVE_CLICK = 2, ACTIVE_STATE_MASK = 0xFF, ACTIVE_BY_FOCUS = 0x100 };

// Edges reported by MSG_SIZING.
enum {
    SIZING_LEFT = 1,
    SIZING_RIGHT = 2,
    SIZING_TOP = 3,
    SIZING_TOPLEFT = 4,
    SIZING_TOPRIGHT = 5,
    SIZING_BOTTOM = 6,
    SIZING_BOTTOMLEFT = 7,
    SIZING_BOTTOMRIGHT = 8
};

// Hit-test codes of the non-client area.
enum {
    HIT_NOWHERE = 0,
    HIT_CLIENT = 1,
    HIT_CAPTION = 2,
    HIT_MENU = 5,
    HIT_LEFT = 10,
    HIT_RIGHT = 11,
    HIT_TOP = 12,
    HIT_TOPLEFT = 13,
    HIT_TOPRIGHT = 14,
    HIT_BOTTOM = 15,
    HIT_BOTTOMLEFT = 16,
    HIT_BOTTOMRIGHT = 17,
    HIT_BORDER = 18,
    HIT_CLOSE = 20
};

// Flags of mouse messages.
enum {
    MOUSE_LBUTTON = 0x0001,
    MOUSE_RBUTTON = 0x0002,
    MOUSE_SHIFT = 0x0004,
    MOUSE_CONTROL = 0x0008,
    MOUSE_MBUTTON = 0x0010
};

// Key codes. Letters and digits of the main row are their ASCII capitals and digits.
enum {
    KEY_BACK = 0x08,
    KEY_TAB = 0x09,
    KEY_RETURN = 0x0D,
    KEY_SHIFT = 0x10,
    KEY_CONTROL = 0x11,
    KEY_MENU = 0x12,   // Alt
    KEY_ESCAPE = 0x1B,
    KEY_SPACE = 0x20,
    KEY_PRIOR = 0x21,
    KEY_NEXT = 0x22,
    KEY_END = 0x23,
    KEY_HOME = 0x24,
    KEY_LEFT = 0x25,
    KEY_UP = 0x26,
    KEY_RIGHT = 0x27,
    KEY_DOWN = 0x28,
    KEY_INSERT = 0x2D,
    KEY_DELETE = 0x2E,
    KEY_NUMPAD0 = 0x60,   // KEY_NUMPAD0 + n for n = 0..9
    KEY_MULTIPLY = 0x6A,
    KEY_ADD = 0x6B,
    KEY_SUBTRACT = 0x6D,
    KEY_DECIMAL = 0x6E,
    KEY_DIVIDE = 0x6F,
    KEY_F1 = 0x70,        // KEY_F1 + n - 1 for Fn
    KEY_F4 = 0x73,
    KEY_OEM_PLUS = 0xBB,  // the main keyboard's "=" / "+" key
    KEY_OEM_MINUS = 0xBD, // the main keyboard's "-" key
    KEY_LBUTTON = 0x01,   // for PlatGetKeyState
    KEY_RBUTTON = 0x02,
    KEY_MBUTTON = 0x04
};

// Key messages carry a press number: every key press gets a new one, and the characters it
// types carry the same, so a handler that acts on a key can tell that key's characters from
// what was typed after it. The repeat count (always 1) stays in the low 16 bits.
enum { KEY_PRESS_MASK = 0x7FFF };
static inline intptr_t KeyParam(int press) { return (intptr_t)(1 | ((press & KEY_PRESS_MASK) << 16)); }
static inline int KeyPressOf(intptr_t lparam) { return (int)((lparam >> 16) & KEY_PRESS_MASK); }

// Packs two 16-bit values the way message parameters carry them.
static inline intptr_t MakeParam(int low, int high) {
    return (intptr_t)(uint32_t)(((uint32_t)low & 0xFFFFu) | (((uint32_t)high & 0xFFFFu) << 16));
}
static inline int ParamLow(intptr_t p) { return (int)(uint16_t)((uint32_t)p & 0xFFFFu); }
static inline int ParamHigh(intptr_t p) { return (int)(uint16_t)(((uint32_t)p >> 16) & 0xFFFFu); }
// Signed halves, for coordinates.
static inline int ParamX(intptr_t p) { return (int)(int16_t)((uint32_t)p & 0xFFFFu); }
static inline int ParamY(intptr_t p) { return (int)(int16_t)(((uint32_t)p >> 16) & 0xFFFFu); }

static inline int RectWidth(const PlatRect& r) { return r.right - r.left; }
static inline int RectHeight(const PlatRect& r) { return r.bottom - r.top; }
static inline bool RectIsEmpty(const PlatRect& r) { return r.right <= r.left || r.bottom <= r.top; }
static inline bool RectContains(const PlatRect& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}
PlatRect RectIntersect(const PlatRect& a, const PlatRect& b);
PlatRect RectUnion(const PlatRect& a, const PlatRect& b);   // an empty rectangle counts as none
PlatRect RectOffset(const PlatRect& r, int dx, int dy);
