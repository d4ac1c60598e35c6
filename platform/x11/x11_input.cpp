// Input on the display thread: pointer, buttons and wheel, keys with their modifiers, typed
// text through the input method, and focus changes, handed to the layer's Input* functions.
// Keys go to the layer's focus window (the layer keeps focus and activation in step with
// the window manager through the focus events).
#include "x11_internal.h"
#include "platform/window/input.h"
#include "../text.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>
#include <locale.h>
#include <string.h>

// Opens the input method. Only the character-type category of the locale is set: the input
// method needs it to hand out UTF-8, and numbers must keep the "C" rules.
void SetupInputMethod(void) {
    const char* loc = setlocale(LC_CTYPE, "");
    if (!loc || strcmp(loc, "C") == 0 || strcmp(loc, "POSIX") == 0 || !XSupportsLocale()) {
        if (!setlocale(LC_CTYPE, "C.UTF-8") || !XSupportsLocale()) setlocale(LC_CTYPE, "C");
    }
    XSetLocaleModifiers("");
    g_x11.im = XOpenIM(g_x11.dpy, nullptr, nullptr, nullptr);
    if (!g_x11.im) {
        // The input method server named in XMODIFIERS is not there: use Xlib's own.
        XSetLocaleModifiers("@im=none");
        g_x11.im = XOpenIM(g_x11.dpy, nullptr, nullptr, nullptr);
    }
}

void CreateInputContext(X11Window* w) {
    if (!g_x11.im) return;
    w->ic = XCreateIC(g_x11.im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, w->xid,
                      XNFocusWindow, w->xid, nullptr);
    if (!w->ic)
        w->ic = XCreateIC(g_x11.im, XNInputStyle, XIMPreeditNone | XIMStatusNone, XNClientWindow, w->xid,
                          XNFocusWindow, w->xid, nullptr);
    if (!w->ic) return;
    long filter = 0;
    XGetICValues(w->ic, XNFilterEvents, &filter, nullptr);
    XSelectInput(g_x11.dpy, w->xid, X11_EVENT_MASK | filter);
}

int ModsFromState(unsigned int state) {
    int mods = 0;
    if (state & ShiftMask) mods |= INPUT_MOD_SHIFT;
    if (state & ControlMask) mods |= INPUT_MOD_CONTROL;
    if (state & Mod1Mask) mods |= INPUT_MOD_ALT;
    return mods;   // Caps Lock and Num Lock are not modifiers for the layer
}

// Key codes of the layer. Keypad keys give KEY_NUMPAD0 + n whatever the Num Lock state,
// since the unshifted keysym of a keypad key is its navigation meaning (KP_End for 1).
int KeySymToKey(KeySym sym) {
    if (sym >= XK_a && sym <= XK_z) return 'A' + (int)(sym - XK_a);
    if (sym >= XK_A && sym <= XK_Z) return 'A' + (int)(sym - XK_A);
    if (sym >= XK_0 && sym <= XK_9) return '0' + (int)(sym - XK_0);
    if (sym >= XK_KP_0 && sym <= XK_KP_9) return KEY_NUMPAD0 + (int)(sym - XK_KP_0);
    if (sym >= XK_F1 && sym <= XK_F24) return KEY_F1 + (int)(sym - XK_F1);
    switch (sym) {
    case XK_KP_Insert: return KEY_NUMPAD0;
    case XK_KP_End: return KEY_NUMPAD0 + 1;
    case XK_KP_Down: return KEY_NUMPAD0 + 2;
    case XK_KP_Next: return KEY_NUMPAD0 + 3;
    case XK_KP_Left: return KEY_NUMPAD0 + 4;
    case XK_KP_Begin: return KEY_NUMPAD0 + 5;
    case XK_KP_Right: return KEY_NUMPAD0 + 6;
    case XK_KP_Home: return KEY_NUMPAD0 + 7;
    case XK_KP_Up: return KEY_NUMPAD0 + 8;
    case XK_KP_Prior: return KEY_NUMPAD0 + 9;
    case XK_KP_Delete:
    case XK_KP_Decimal: return KEY_DECIMAL;
    case XK_KP_Add: return KEY_ADD;
    case XK_KP_Subtract: return KEY_SUBTRACT;
    case XK_KP_Multiply: return KEY_MULTIPLY;
    case XK_KP_Divide: return KEY_DIVIDE;
    case XK_KP_Enter:
    case XK_Return: return KEY_RETURN;
    case XK_BackSpace: return KEY_BACK;
    case XK_Tab:
    case XK_ISO_Left_Tab: return KEY_TAB;
    case XK_Escape: return KEY_ESCAPE;
    case XK_space: return KEY_SPACE;
    // The main keyboard's plus and minus: "=" under "+" on US layouts, a key of its own on others.
    case XK_equal:
    case XK_plus: return KEY_OEM_PLUS;
    case XK_minus: return KEY_OEM_MINUS;
    case XK_Prior: return KEY_PRIOR;
    case XK_Next: return KEY_NEXT;
    case XK_End: return KEY_END;
    case XK_Home: return KEY_HOME;
    case XK_Left: return KEY_LEFT;
    case XK_Up: return KEY_UP;
    case XK_Right: return KEY_RIGHT;
    case XK_Down: return KEY_DOWN;
    case XK_Insert: return KEY_INSERT;
    case XK_Delete: return KEY_DELETE;
    case XK_Shift_L:
    case XK_Shift_R: return KEY_SHIFT;
    case XK_Control_L:
    case XK_Control_R: return KEY_CONTROL;
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R: return KEY_MENU;
    default: return 0;
    }
}

// The modifiers after this key event (the event's state is the one before it).
static int ModsAfterKey(unsigned int state, int key, bool down) {
    int mods = ModsFromState(state);
    int bit = key == KEY_SHIFT ? INPUT_MOD_SHIFT : key == KEY_CONTROL ? INPUT_MOD_CONTROL
              : key == KEY_MENU ? INPUT_MOD_ALT : 0;
    if (bit) mods = down ? (mods | bit) : (mods & ~bit);
    return mods;
}

// Typed text goes to the layer as UTF-16, without control characters: Return, Tab,
// Backspace, Escape and Ctrl+letter are keys, whose characters the layer makes itself.
static void SendTypedText(const char* utf8, int len) {
    char16_t buf[64];
    int n = 0;
    int i = 0;
    while (i < len && n < 62) {
        uint32_t cp;
        int used = Utf8Decode(utf8 + i, len - i, &cp);
        if (used <= 0) break;
        i += used;
        if (cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0)) continue;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            buf[n++] = (char16_t)(0xD800 + (cp >> 10));
            buf[n++] = (char16_t)(0xDC00 + (cp & 0x3FF));
        } else {
            buf[n++] = (char16_t)cp;
        }
    }
    if (n > 0) InputText(0, buf, n);
}

static void HandleKeyPress(XKeyEvent* ev, X11Window& w) {
    g_x11.last_time = ev->time;
    KeySym base = XLookupKeysym(ev, 0);
    int key = KeySymToKey(base);
    int mods = ModsAfterKey(ev->state, key, true);
    if (key) InputKey(0, key, true, mods);
    char text[256];
    int len = 0;
    KeySym sym = NoSymbol;
    if (w.ic) {
        Status status = 0;
        len = Xutf8LookupString(w.ic, ev, text, (int)sizeof text - 1, &sym, &status);
        if (status != XLookupChars && status != XLookupBoth) len = 0;
    } else {
        // Without an input method, Xlib gives Latin-1; widen it to UTF-8.
        char latin[64];
        int n = XLookupString(ev, latin, (int)sizeof latin, &sym, nullptr);
        for (int i = 0; i < n && len < (int)sizeof text - 2; i++) {
            unsigned char c = (unsigned char)latin[i];
            if (c < 0x80) {
                text[len++] = (char)c;
            } else {
                text[len++] = (char)(0xC0 | (c >> 6));
                text[len++] = (char)(0x80 | (c & 0x3F));
            }
        }
    }
    if (len <= 0) return;
    // Ctrl and Alt combinations are commands and shortcuts, never text.
    if (ev->state & (ControlMask | Mod1Mask)) return;
    SendTypedText(text, len);
}

// X reports a held key as release/press pairs with the same time; the layer wants only the
// repeated presses.
static bool IsAutoRepeatRelease(XKeyEvent* ev) {
    if (!XEventsQueued(g_x11.dpy, QueuedAfterReading)) return false;
    XEvent next;
    XPeekEvent(g_x11.dpy, &next);
    return next.type == KeyPress && next.xkey.window == ev->window && next.xkey.keycode == ev->keycode &&
           next.xkey.time == ev->time;
}

static void HandleKeyRelease(XKeyEvent* ev) {
    g_x11.last_time = ev->time;
    if (IsAutoRepeatRelease(ev)) return;
    int key = KeySymToKey(XLookupKeysym(ev, 0));
    int mods = ModsAfterKey(ev->state, key, false);
    if (key) InputKey(0, key, false, mods);
    else InputSetModifiers(mods);
}

static void HandleButton(XButtonEvent* ev, X11Window& w, bool down) {
    g_x11.last_time = ev->time;
    int mods = ModsFromState(ev->state);
    switch (ev->button) {
    case Button1: InputButton(w.id, ev->x_root, ev->y_root, BUTTON_LEFT, down, mods); break;
    case Button2: InputButton(w.id, ev->x_root, ev->y_root, BUTTON_MIDDLE, down, mods); break;
    case Button3: InputButton(w.id, ev->x_root, ev->y_root, BUTTON_RIGHT, down, mods); break;
    case Button4:
        if (down) InputWheel(w.id, ev->x_root, ev->y_root, 120, mods);
        break;
    case Button5:
        if (down) InputWheel(w.id, ev->x_root, ev->y_root, -120, mods);
        break;
    default: break;
    }
}

static void HandleMotion(XMotionEvent* ev, X11Window& w) {
    // Only the newest position of a burst matters.
    XEvent newer;
    while (XCheckTypedWindowEvent(g_x11.dpy, w.xid, MotionNotify, &newer)) *ev = newer.xmotion;
    g_x11.last_time = ev->time;
    InputPointerMove(w.id, ev->x_root, ev->y_root, ModsFromState(ev->state));
}

static void HandleFocus(XFocusChangeEvent* ev, X11Window& w, bool in) {
    if (ev->mode == NotifyGrab || ev->mode == NotifyUngrab || ev->detail == NotifyPointer ||
        ev->detail == NotifyInferior)
        return;
    if (in) {
        if (w.ic) XSetICFocus(w.ic);
        // Modifiers may have changed while another client had the keyboard.
        Window r, c;
        int rx, ry, wx, wy;
        unsigned int mask = 0;
        if (XQueryPointer(g_x11.dpy, g_x11.root, &r, &c, &rx, &ry, &wx, &wy, &mask)) InputSetModifiers(ModsFromState(mask));
        InputActivate(w.id, true);
    } else {
        if (w.ic) XUnsetICFocus(w.ic);
        InputActivate(w.id, false);
    }
}

void HandleInputEvent(XEvent* ev, int slot) {
    X11Window& w = g_x11.windows[slot];
    switch (ev->type) {
    case KeyPress: HandleKeyPress(&ev->xkey, w); break;
    case KeyRelease: HandleKeyRelease(&ev->xkey); break;
    case ButtonPress: HandleButton(&ev->xbutton, w, true); break;
    case ButtonRelease: HandleButton(&ev->xbutton, w, false); break;
    case MotionNotify: HandleMotion(&ev->xmotion, w); break;
    case FocusIn: HandleFocus(&ev->xfocus, w, true); break;
    case FocusOut: HandleFocus(&ev->xfocus, w, false); break;
    default: break;
    }
}
