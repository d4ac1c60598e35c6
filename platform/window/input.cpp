// Input routing: pointer, buttons, wheel, keys, typed text and drops from a backend become
// messages on the queue of the thread that owns the target window. The layer keeps the key
// state and the cursor position itself, and decides double clicks by its own timing.
#include "platform/window/input.h"
#include "platform/layer_mutex.h"
#include "platform/system.h"
#include "platform/window/window_core.h"

#include <atomic>
#include <stdlib.h>
#include <string.h>

static std::atomic<uint8_t> g_key_down[256];
static std::atomic<int> g_cursor_x{0}, g_cursor_y{0};

// Last press, for double clicks.
static struct {
    WindowId window;
    int button;
    int x, y;
    uint32_t time;
    bool was_double;
} g_last_press;
static LayerMutex g_press_lock;

// While a button is held, pointer input keeps going to the window it was pressed on (as an
// X server's implicit grab does), so a drag started on a caption is seen whole by the move
// loop even when the loop starts after the input has been queued.
static WindowId g_implicit_capture = 0;   // guarded by the table lock
static int g_implicit_buttons = 0;

void SetKeyDown(int key, bool down) {
    if (key >= 0 && key < 256) g_key_down[key].store(down ? 1 : 0, std::memory_order_relaxed);
}

// Keys whose state travels with each message, and their bits in Message::key_state.
static const int SNAPSHOT_KEYS[] = {KEY_SHIFT, KEY_CONTROL, KEY_MENU, KEY_LBUTTON, KEY_RBUTTON, KEY_MBUTTON};
enum { SNAPSHOT_VALID = 0x80000000u };
static thread_local uint32_t tl_message_keys = 0;

uint32_t CurrentKeyState(void) {
    uint32_t bits = SNAPSHOT_VALID;
    for (int i = 0; i < (int)(sizeof SNAPSHOT_KEYS / sizeof SNAPSHOT_KEYS[0]); i++)
        if (g_key_down[SNAPSHOT_KEYS[i]].load(std::memory_order_relaxed)) bits |= 1u << i;
    return bits;
}

void SetMessageKeyState(uint32_t key_state) {
    if (key_state & SNAPSHOT_VALID) tl_message_keys = key_state;
}

int PlatGetKeyState(int key) {
    if (key < 0 || key >= 256) return 0;
    if (tl_message_keys & SNAPSHOT_VALID)
        for (int i = 0; i < (int)(sizeof SNAPSHOT_KEYS / sizeof SNAPSHOT_KEYS[0]); i++)
            if (SNAPSHOT_KEYS[i] == key) return (tl_message_keys >> i) & 1u ? KEY_STATE_DOWN : 0;
    return g_key_down[key].load(std::memory_order_relaxed) ? KEY_STATE_DOWN : 0;
}

void PlatGetCursorPos(PlatPoint* point) {
    if (!point) return;
    point->x = g_cursor_x.load(std::memory_order_relaxed);
    point->y = g_cursor_y.load(std::memory_order_relaxed);
}

void InputSetModifiers(int mods) {
    SetKeyDown(KEY_SHIFT, (mods & INPUT_MOD_SHIFT) != 0);
    SetKeyDown(KEY_CONTROL, (mods & INPUT_MOD_CONTROL) != 0);
    SetKeyDown(KEY_MENU, (mods & INPUT_MOD_ALT) != 0);
}

static int MouseFlags(void) {
    int f = 0;
    if (PlatGetKeyState(KEY_LBUTTON)) f |= MOUSE_LBUTTON;
    if (PlatGetKeyState(KEY_RBUTTON)) f |= MOUSE_RBUTTON;
    if (PlatGetKeyState(KEY_MBUTTON)) f |= MOUSE_MBUTTON;
    if (PlatGetKeyState(KEY_SHIFT)) f |= MOUSE_SHIFT;
    if (PlatGetKeyState(KEY_CONTROL)) f |= MOUSE_CONTROL;
    return f;
}

struct PointerTarget {
    WindowId window;   // the window that gets the message
    int hit;           // HIT_CLIENT for client messages
    PlatPoint local;   // client coordinates (client messages)
};

// Finds what a pointer event at a screen point is for: the capture window, or the deepest
// window under the point, with its hit-test code.
static PointerTarget FindPointerTarget(WindowId top, int sx, int sy) {
    PointerTarget t{0, HIT_NOWHERE, {0, 0}};
    PlatPoint p{sx, sy};
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowId w = g_capture;
    if (!(w && LookupWindow(w))) w = g_implicit_capture;
    if (w && LookupWindow(w)) {
        WindowRecord* rec = LookupWindow(w);
        PlatRect c = ClientRectOnScreen(rec);
        t.window = w;
        t.hit = HIT_CLIENT;
        t.local = PlatPoint{sx - c.left, sy - c.top};
        return t;
    }
    WindowRecord* top_rec = LookupWindow(top);
    if (!top_rec || !top_rec->visible || !RectContains(top_rec->rect, sx, sy)) top = TopLevelAt(p);
    if (!top) return t;
    w = ChildWindowAt(top, p);
    WindowRecord* rec = LookupWindow(w);
    if (!rec) return t;
    PlatRect outer = OuterRectOnScreen(rec);
    int hit = HitTestWindow(rec, sx - outer.left, sy - outer.top);
    if (hit != HIT_CLIENT && (rec->style & STYLE_CHILD)) {
        // The border of a control counts as its client area for clicks.
        hit = HIT_CLIENT;
    }
    PlatRect c = ClientRectOnScreen(rec);
    t.window = w;
    t.hit = hit;
    t.local = PlatPoint{sx - c.left, sy - c.top};
    return t;
}

void InputPointerMove(WindowId top, int sx, int sy, int mods) {
    InputSetModifiers(mods);
    g_cursor_x.store(sx, std::memory_order_relaxed);
    g_cursor_y.store(sy, std::memory_order_relaxed);
    PointerTarget t = FindPointerTarget(top, sx, sy);
    if (!t.window) return;
    if (t.hit == HIT_CLIENT)
        QueueMessage(t.window, MSG_MOUSEMOVE, (uintptr_t)MouseFlags(), MakeParam(t.local.x, t.local.y));
    else
        QueueMessage(t.window, MSG_NCMOUSEMOVE, (uintptr_t)t.hit, MakeParam(sx, sy));
}

static bool ClassWantsDoubleClicks(WindowId window) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    return rec && (g_classes[rec->class_index].style & CLASS_DBLCLKS);
}

// Decides whether this press completes a double click.
static bool IsDoubleClick(WindowId window, int button, int sx, int sy) {
    uint32_t now = PlatGetTickMs();
    std::lock_guard<LayerMutex> guard(g_press_lock);
    bool dbl = !g_last_press.was_double && g_last_press.window == window && g_last_press.button == button &&
               now - g_last_press.time <= (uint32_t)PlatGetSystemMetric(METRIC_DOUBLECLICKMS) &&
               abs(sx - g_last_press.x) <= PlatGetSystemMetric(METRIC_CXDOUBLECLK) &&
               abs(sy - g_last_press.y) <= PlatGetSystemMetric(METRIC_CYDOUBLECLK);
    g_last_press.window = window;
    g_last_press.button = button;
    g_last_press.x = sx;
    g_last_press.y = sy;
    g_last_press.time = now;
    g_last_press.was_double = dbl;
    return dbl;
}

void InputButton(WindowId top, int sx, int sy, int button, bool down, int mods) {
    InputSetModifiers(mods);
    g_cursor_x.store(sx, std::memory_order_relaxed);
    g_cursor_y.store(sy, std::memory_order_relaxed);
    int vkey = button == BUTTON_LEFT ? KEY_LBUTTON : button == BUTTON_RIGHT ? KEY_RBUTTON : KEY_MBUTTON;
    SetKeyDown(vkey, down);
    PointerTarget t = FindPointerTarget(top, sx, sy);
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        int bit = 1 << button;
        if (down) {
            if (!g_implicit_buttons) g_implicit_capture = t.window;
            g_implicit_buttons |= bit;
        } else {
            g_implicit_buttons &= ~bit;
            if (!g_implicit_buttons) g_implicit_capture = 0;
        }
    }
    if (!t.window) return;
    if (down) {
        // A press activates the window it lands on (menus excepted), as desktops do.
        WindowId tl = PlatGetTopLevel(t.window);
        if (tl && tl != PlatGetForegroundWindow() && !(PlatGetStyle(tl) & STYLE_POPUP))
            ActivateFromInput(tl);
    }
    bool dbl = down && IsDoubleClick(t.window, button, sx, sy);
    int msg;
    if (t.hit == HIT_CLIENT) {
        if (button == BUTTON_LEFT) msg = down ? MSG_LBUTTONDOWN : MSG_LBUTTONUP;
        else if (button == BUTTON_RIGHT) msg = down ? MSG_RBUTTONDOWN : MSG_RBUTTONUP;
        else msg = down ? MSG_MBUTTONDOWN : MSG_MBUTTONUP;
        if (dbl && ClassWantsDoubleClicks(t.window)) {
            if (button == BUTTON_LEFT) msg = MSG_LBUTTONDBLCLK;
            else if (button == BUTTON_RIGHT) msg = MSG_RBUTTONDBLCLK;
        }
        QueueMessage(t.window, msg, (uintptr_t)MouseFlags(), MakeParam(t.local.x, t.local.y));
    } else {
        if (!down) return;
        if (button == BUTTON_LEFT) msg = dbl ? MSG_NCLBUTTONDBLCLK : MSG_NCLBUTTONDOWN;
        else if (button == BUTTON_RIGHT) msg = MSG_NCRBUTTONDOWN;
        else return;
        QueueMessage(t.window, msg, (uintptr_t)t.hit, MakeParam(sx, sy));
    }
}

void InputWheel(WindowId top, int sx, int sy, int delta, int mods) {
    (void)top;
    InputSetModifiers(mods);
    WindowId focus = PlatGetFocus();
    if (!focus) {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        focus = TopLevelAt(PlatPoint{sx, sy});
    }
    if (!focus) return;
    QueueMessage(focus, MSG_MOUSEWHEEL, (uintptr_t)MakeParam(MouseFlags(), delta), MakeParam(sx, sy));
}

// The window that gets keys: the focus window, or the given top-level window itself.
static WindowId KeyTarget(WindowId top) {
    WindowId focus = PlatGetFocus();
    if (focus && (top == 0 || PlatGetTopLevel(focus) == top)) return focus;
    if (top) return top;
    return PlatGetForegroundWindow();
}

// Press numbers (KeyParam): the last one given out, and the press whose text is still to
// come: a backend reports a key going down and then the text it typed, and the text belongs
// to that press until the key goes up again.
static std::atomic<int> g_last_press_number{0};
static std::atomic<int> g_typing_press{0};
static std::atomic<int> g_typing_key{0};

static bool IsModifierKey(int key) { return key == KEY_SHIFT || key == KEY_CONTROL || key == KEY_MENU; }

static int NextPressNumber(void) {
    int press = (g_last_press_number.load(std::memory_order_relaxed) % KEY_PRESS_MASK) + 1;   // never 0
    g_last_press_number.store(press, std::memory_order_relaxed);
    return press;
}

void InputKey(WindowId top, int key, bool down, int mods) {
    InputSetModifiers(mods);
    int press = 0;
    if (!IsModifierKey(key)) {
        SetKeyDown(key, down);
        if (down) {
            press = NextPressNumber();
            g_typing_key.store(key, std::memory_order_relaxed);
            g_typing_press.store(press, std::memory_order_release);
        } else if (g_typing_key.load(std::memory_order_relaxed) == key) {
            g_typing_press.store(0, std::memory_order_release);
        }
    }
    WindowId target = KeyTarget(top);
    if (!target) return;
    int msg;
    if (mods & INPUT_MOD_ALT) msg = down ? MSG_SYSKEYDOWN : MSG_KEYUP;
    else msg = down ? MSG_KEYDOWN : MSG_KEYUP;
    QueueMessage(target, msg, (uintptr_t)key, KeyParam(press));
}

void InputText(WindowId top, const char16_t* text, int count) {
    WindowId target = KeyTarget(top);
    if (!target || !text) return;
    intptr_t param = KeyParam(g_typing_press.load(std::memory_order_acquire));
    for (int i = 0; i < count; i++) QueueMessage(target, MSG_CHAR, text[i], param);
}

void InputDrop(WindowId top, int sx, int sy, const char* const* paths, int count) {
    WindowId target = 0;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        PlatPoint p{sx, sy};
        WindowId t = TopLevelAt(p);
        if (top && LookupWindow(top)) t = top;
        // The drop goes to the deepest window that accepts files, looking outward.
        WindowId w = t ? ChildWindowAt(t, p) : 0;
        while (w) {
            WindowRecord* rec = LookupWindow(w);
            if (!rec) break;
            if (rec->accept_files) {
                target = w;
                break;
            }
            w = (rec->style & STYLE_CHILD) ? rec->parent : 0;
        }
    }
    if (!target || count <= 0) return;
    DropList* list = (DropList*)calloc(1, sizeof(DropList));
    list->paths = (char**)calloc((size_t)count, sizeof(char*));
    for (int i = 0; i < count; i++) list->paths[i] = strdup(paths[i]);
    list->count = count;
    PlatPoint local{sx, sy};
    PlatScreenToClient(target, &local);
    list->point = local;
    if (QueueMessage(target, MSG_DROPFILES, (uintptr_t)list, 0)) PlatDragFinish(list);
}

void InputActivate(WindowId top, bool active) {
    if (active) ActivateFromInput(top);
}

void InputClose(WindowId top) { QueueMessage(top, MSG_CLOSE, 0, 0); }

void InputMoved(WindowId top, const PlatRect& from, PlatPoint to) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(top);
    if (!rec) return;
    const PlatRect r = rec->rect;
    if (r.left != from.left || r.top != from.top || r.right != from.right || r.bottom != from.bottom) return;
    rec->rect = RectOffset(r, to.x - r.left, to.y - r.top);
}
