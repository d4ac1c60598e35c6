// Windows and messages of the layer: window classes with their procedures, a table of
// windows, one message queue per thread, posting and sending, paint messages from invalid
// rectangles, focus and activation, geometry and system metrics.
//
// Every window belongs to the thread that created it; its procedure runs only there. The
// layer draws the non-client area (caption, frame, menu bar) itself and runs the move and
// size loops on the window's own thread, so the moving and sizing notifications behave the
// same on every backend.
#pragma once

#include "platform/draw/system_colors.h"
#include "platform/plat_types.h"

struct Menu;
struct DrawContext;

// ---- Window classes ----------------------------------------------------------------------

enum {
    CLASS_OWN_DC = 0x0001,     // the window keeps one drawing context for its life
    CLASS_CLASS_DC = 0x0002,   // one drawing context shared by the class
    CLASS_DBLCLKS = 0x0004     // double clicks arrive as *DBLCLK messages
};

enum { BACKGROUND_NONE = 0xFF000000u };   // no erasing; otherwise a 0x00RRGGBB colour

// The system's button-face colour, used as background by boxes and the main window.
enum : uint32_t { COLOR_BUTTON_FACE = SysColor(SYS_COLOR_FACE) };

struct WindowClassDesc {
    const char* name;          // UTF-8, at most 63 bytes
    WindowProc proc;
    uint32_t style;            // CLASS_ flags
    uint32_t background;       // 0x00RRGGBB or BACKGROUND_NONE
};

// 0 done; 1 a class of that name exists; 2 bad description; 3 the class table is full.
int PlatRegisterClass(const WindowClassDesc* desc);
int PlatUnregisterClass(const char* name);

// ---- Windows -----------------------------------------------------------------------------

enum {
    STYLE_CHILD = 0x40000000u,
    STYLE_VISIBLE = 0x10000000u,
    STYLE_CAPTION = 0x00C00000u,    // caption bar and thin frame
    STYLE_BORDER = 0x00800000u,     // a one-pixel frame without caption
    STYLE_SYSMENU = 0x00080000u,    // a close box in the caption
    STYLE_SIZEFRAME = 0x00040000u,  // a frame that can be dragged to resize
    STYLE_POPUP = 0x80000000u,      // a top-level window without caption (menus, tooltips)
    STYLE_TABSTOP = 0x00010000u,
    STYLE_GROUP = 0x00020000u,
    STYLE_DISABLED = 0x08000000u,
    // Bits below 0x10000 belong to the window's class (edit, button and static styles).
    STYLE_CLASS_MASK = 0x0000FFFFu
};

enum {
    EXSTYLE_CLIENTEDGE = 0x0200,    // sunken edge around the client area (edit fields)
    EXSTYLE_TOPMOST = 0x0008,
    EXSTYLE_ACCEPTFILES = 0x0010
};

enum { POSITION_DEFAULT = (int)0x80000000 };   // "let the layer place it", for x, y, width or height

struct WindowCreate {
    const char* class_name;
    const char16_t* text;      // may be null
    uint32_t style;
    uint32_t ex_style;
    int x, y;                  // outer position: screen coordinates, or parent client ones for a child
    int width, height;         // outer size
    WindowId parent;           // for STYLE_CHILD
    WindowId owner;            // for top-level windows: stays above its owner, destroyed with it
    Menu* menu;                // menu bar of a top-level window (taken over), or 0
    int id;                    // control id of a child
    void* create_param;        // given to MSG_CREATE as lparam
};

// Creates the window on the calling thread; sends MSG_CREATE (a procedure returning -1 there
// refuses the window), then MSG_SIZE and MSG_MOVE, and shows it when STYLE_VISIBLE is set.
// Returns 0 on failure.
WindowId PlatCreateWindow(const WindowCreate* create);
// Destroys the window, its children and the windows it owns (owned ones first, each sending
// MSG_DESTROY to itself after its children). Any thread may call; the work happens on the
// window's thread (a cross-thread send). Returns 0 done, 1 no such window.
int PlatDestroyWindow(WindowId window);
bool PlatIsWindow(WindowId window);
WindowId PlatGetParent(WindowId window);
WindowId PlatGetOwner(WindowId window);
int PlatGetControlId(WindowId window);
WindowId PlatGetControl(WindowId parent, int id);
// Calls fn for each child of parent (in creation order); a non-zero return stops the walk.
void PlatEnumChildren(WindowId parent, int (*fn)(WindowId child, void* data), void* data);
uint32_t PlatGetStyle(WindowId window);
void PlatSetStyle(WindowId window, uint32_t style);
bool PlatIsWindowOfClass(WindowId window, const char* class_name);
// The class name of a window into buf (UTF-8); 0 done, 1 no such window.
int PlatGetClassName(WindowId window, char* buf, int size);
// Finds a top-level window of this class among all windows of the process; 0 if none.
WindowId PlatFindWindow(const char* class_name);
// A pointer-sized value a window's code may keep with the window.
void PlatSetWindowData(WindowId window, intptr_t value);
intptr_t PlatGetWindowData(WindowId window);

// Window text, UTF-16, at most 255 units (longer texts are cut).
int PlatSetWindowText(WindowId window, const char16_t* text);
// Copies at most size - 1 units and a terminator; returns the number of units copied.
int PlatGetWindowText(WindowId window, char16_t* buf, int size);

// ---- Geometry ----------------------------------------------------------------------------

// Outer rectangle in screen coordinates.
int PlatGetWindowRect(WindowId window, PlatRect* rect);
// Client rectangle: (0, 0, client width, client height).
int PlatGetClientRect(WindowId window, PlatRect* rect);
// Client rectangle's position in the window's outer rectangle (for drawing into its pixels).
int PlatGetClientOffset(WindowId window, PlatPoint* offset);
void PlatClientToScreen(WindowId window, PlatPoint* point);
void PlatScreenToClient(WindowId window, PlatPoint* point);
// Grows a client rectangle to the outer rectangle for the style (with a menu bar if has_menu).
void PlatAdjustWindowRect(PlatRect* rect, uint32_t style, uint32_t ex_style, bool has_menu);

enum {
    MOVE_NOSIZE = 0x0001,
    MOVE_NOMOVE = 0x0002,
    MOVE_NOZORDER = 0x0004,
    MOVE_SHOW = 0x0040,
    MOVE_NOREDRAW = 0x0008
};
// Moves and resizes (outer rectangle; a child's position is in parent client coordinates).
// Sends MSG_MOVE and MSG_SIZE when they change.
int PlatSetWindowPos(WindowId window, int x, int y, int width, int height, uint32_t flags);
int PlatMoveWindow(WindowId window, int x, int y, int width, int height);

// ---- Show, activation, focus -------------------------------------------------------------

enum { SHOW_HIDE = 0, SHOW_NORMAL = 1, SHOW_NOACTIVATE = 4 };
int PlatShowWindow(WindowId window, int how);
bool PlatIsVisible(WindowId window);
// Raises the top-level window, activates it and gives it the keyboard focus.
int PlatSetForegroundWindow(WindowId window);
WindowId PlatGetForegroundWindow(void);
WindowId PlatGetActiveWindow(void);
// Keyboard focus: a window or a child control. Sends MSG_KILLFOCUS to the old and
// MSG_SETFOCUS to the new focus window. Returns the previous focus window.
WindowId PlatSetFocus(WindowId window);
WindowId PlatGetFocus(void);
// Focus moves begun and finished (their notifications handled) so far, for a thread that must
// know when another thread's focus change, with the work its handlers do, is over.
void PlatFocusMoves(uint64_t* begun, uint64_t* finished);
int PlatEnableWindow(WindowId window, bool enable);
bool PlatIsEnabled(WindowId window);
// Mouse capture: all pointer messages go to this window until released.
WindowId PlatSetCapture(WindowId window);
void PlatReleaseCapture(void);
WindowId PlatGetCapture(void);

// The deepest visible, enabled window under a screen point, or 0.
WindowId PlatWindowFromPoint(PlatPoint screen);
// The top-level window a window belongs to (itself for a top-level one).
WindowId PlatGetTopLevel(WindowId window);

// ---- Messages ----------------------------------------------------------------------------

// Posts to the window's thread queue; any thread. 0 done, 1 no such window.
int PlatPostMessage(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);
// Calls the window's procedure: directly on its own thread, otherwise by handing the message
// to that thread and waiting until it has pumped it (serving messages sent to the caller
// meanwhile). Returns the procedure's result, or 0 for a window that no longer exists.
intptr_t PlatSendMessage(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);
// Waits for a message of the calling thread. Returns false once the thread's quit message has
// been posted (the quit stays posted, so every enclosing loop ends as well).
bool PlatGetMessage(Message* msg);
enum { PEEK_NOREMOVE = 0, PEEK_REMOVE = 1 };
// Non-blocking. A posted quit is reported (type MSG_QUIT) only when nothing else waits.
bool PlatPeekMessage(Message* msg, int remove);
// Waits up to timeout_ms (negative: forever) for any message, sent message or paint.
void PlatWaitMessage(int timeout_ms);
// Turns key-down messages of printable keys into MSG_CHAR messages (the layer already queues
// typed text as MSG_CHAR, so this only adds the control characters of Enter, Tab, Esc, Back).
void PlatTranslateMessage(const Message* msg);
intptr_t PlatDispatchMessage(const Message* msg);
// Keyboard input that a window cannot take yet: while hold(window) is true for the window of
// a thread's oldest posted key or character message, that message and all posted after it
// stay queued (none is lost or reordered). One hold for the process; null removes it. It is
// called without queue locks and must be quick.
typedef bool (*InputHoldFn)(WindowId window);
void PlatSetInputHold(InputHoldFn hold);
// Marks the calling thread's loops for ending with this exit code.
void PlatPostQuitMessage(int exit_code);
bool PlatQuitPosted(void);
// The layer's own handling of messages a procedure leaves alone (non-client area, move and
// size loops, close -> destroy, erase with the class background, default focus).
intptr_t PlatDefWindowProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);

// ---- Painting ----------------------------------------------------------------------------

// Adds a client rectangle (null: the whole client area) to the window's invalid region.
int PlatInvalidateRect(WindowId window, const PlatRect* rect, bool erase);
int PlatValidateRect(WindowId window, const PlatRect* rect);
// Sends MSG_PAINT now if anything is invalid.
int PlatUpdateWindow(WindowId window);
// Inside MSG_PAINT: erases when asked (MSG_ERASEBKGND), returns the invalid rectangle in
// client coordinates and validates the window.
int PlatBeginPaint(WindowId window, PlatRect* invalid);
void PlatEndPaint(WindowId window);

// ---- Metrics and screen ------------------------------------------------------------------

enum {
    METRIC_CXSCREEN,          // screen width
    METRIC_CYSCREEN,          // screen height
    METRIC_CXFULLSCREEN,      // client width of a full-screen window: work-area width
    METRIC_CYFULLSCREEN,      // client height of a full-screen window: work-area height - caption
    METRIC_CYCAPTION,         // caption height
    METRIC_CXFRAME,           // sizing frame width (used for the height too)
    METRIC_CYMENU,            // menu bar height
    METRIC_CXMINTRACK,        // minimum window width
    METRIC_CYMINTRACK,        // minimum window height
    METRIC_CXDOUBLECLK,       // double-click rectangle
    METRIC_CYDOUBLECLK,
    METRIC_XWORKAREA,         // work-area left
    METRIC_YWORKAREA,         // work-area top
    METRIC_SCREENBITS,        // bits per pixel of the screen's pixel format
    METRIC_DOUBLECLICKMS,     // double-click time
    METRIC_COUNT
};
int PlatGetSystemMetric(int which);

// ---- Input state ------------------------------------------------------------------------

// KEY_STATE_DOWN set while the key is down (as the layer saw it last).
enum { KEY_STATE_DOWN = 0x8000 };
int PlatGetKeyState(int key);
void PlatGetCursorPos(PlatPoint* point);

// ---- Dropped files ----------------------------------------------------------------------

struct DropList {
    int count;
    PlatPoint point;          // client coordinates of the drop
    char** paths;             // UTF-8 full paths
};
void PlatDragAcceptFiles(WindowId window, bool accept);
bool PlatAcceptsFiles(WindowId window);
// Frees the list carried by MSG_DROPFILES.
void PlatDragFinish(DropList* list);

// ---- Timers -----------------------------------------------------------------------------

// A MSG_TIMER with wparam = id every period_ms, on the window's thread, while nothing else waits.
int PlatSetTimer(WindowId window, int id, int period_ms);
int PlatKillTimer(WindowId window, int id);
