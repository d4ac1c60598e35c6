// The text window procedure: size and paint through the text window store, typed characters
// into the key ring while a line input runs, the input keys (Up recalls, Ctrl+V pastes), the
// Ctrl shortcuts and the popup menu of the window's commands, Space for the command console,
// the main window's single-key commands forwarded while a text window has the focus, the
// log's flush timer, moving and snapping, and closing.
#include "textwin/text_window_proc.h"

#include "platform/window/window.h"
#include "runtime/startup_state.h"
#include "runtime/window_classes.h"
#include "runtime/window_rects.h"
#include "textwin/key_ring.h"
#include "textwin/text_commands.h"
#include "textwin/text_history.h"
#include "textwin/text_window.h"

static bool ControlHeld(void) { return (PlatGetKeyState(KEY_CONTROL) & KEY_STATE_DOWN) != 0; }

static void OnSize(WindowId window, intptr_t lparam) { ResizeTextWindow(window, ParamLow(lparam), ParamHigh(lparam)); }

static void OnPaint(WindowId window) { PaintTextWindow(window); }

// Typed units are wanted while a line is read, and while one is about to be.
static bool TypedUnitsWanted(void) {
    return input_active.load(std::memory_order_acquire) != 0 || lines_expected.load(std::memory_order_acquire) != 0;
}

static void OnChar(uintptr_t wparam, intptr_t lparam) {
    if (!TypedUnitsWanted() || ControlHeld()) return;
    int press = KeyPressOf(lparam);
    if (press != 0 && press == ignored_key_press.load(std::memory_order_acquire)) return;
    PutKeyUnit((char16_t)wparam);
}

bool HoldTypedInput(WindowId window) {
    return KeyRingFull() && TypedUnitsWanted() && PXK_TextWindowIndex(window) >= 0;
}

// Space runs the console inside this handler. Its own character is still to come (a
// keyboard reports the key before the text it types) and is not part of the command.
static void OnSpace(WindowId window, intptr_t lparam) {
    int id = PXK_TextWindowIndex(window);
    if (id < 0) return;
    ignored_key_press.store(KeyPressOf(lparam), std::memory_order_release);
    RunConsoleFromKey(id);
    ignored_key_press.store(0, std::memory_order_release);
}

static void OnPushUnits(uintptr_t wparam, intptr_t lparam) {
    const char16_t* units = (const char16_t*)wparam;
    for (intptr_t i = 0; units && i < lparam; i++)
        if (!PutKeyUnit(units[i])) break;
}

static void OnKeyDown(WindowId window, uintptr_t wparam, intptr_t lparam) {
    int key = (int)wparam;
    if (TypedUnitsWanted()) {
        // While a line is read (or about to be) only the input keys act, and only with no
        // request pending: a second Space typed quickly is part of the command, not another console.
        int none = PASTE_NONE;
        if (key == KEY_UP) paste_request.compare_exchange_strong(none, PASTE_RECALL);
        else if (key == 'V' && ControlHeld()) paste_request.compare_exchange_strong(none, PASTE_CLIPBOARD);
        return;
    }
    if (ControlHeld()) {
        // Shortcuts post their command, so that they and the menu run the same handler.
        int command = TextShortcutCommand(key);
        if (command) PlatPostMessage(window, MSG_COMMAND, (uintptr_t)MakeParam(command, 0), 0);
        return;
    }
    if (key == KEY_ESCAPE || key == 'C' || key == 'S' || key == 'X') {
        WindowId main = main_window.load(std::memory_order_acquire);
        if (main) PlatPostMessage(main, MSG_KEYDOWN, wparam, lparam);
    } else if (key == KEY_SPACE) {
        OnSpace(window, lparam);
    }
}

static void OnCommand(WindowId window, uintptr_t wparam) {
    int id = PXK_TextWindowIndex(window);
    if (id >= 0) RunTextCommand(id, ParamLow((intptr_t)wparam));
}

static void OnRightButtonDown(WindowId window, intptr_t lparam) {
    int id = PXK_TextWindowIndex(window);
    if (id < 0) return;
    PlatPoint p{ParamX(lparam), ParamY(lparam)};
    PlatClientToScreen(window, &p);
    OpenTextPopupMenu(window, id, p.x, p.y);
}

static void OnClose(WindowId window) {
    int id = PXK_TextWindowIndex(window);
    if (id >= 0) PXK_CloseTextWindow(id);
}

static const KindWindowHandlers TEXT_WINDOW_HANDLERS{nullptr, OnClose, nullptr};

intptr_t TextWindowProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case MSG_CREATE: return 0;
    case MSG_MOVE:
    case MSG_MOVING:
    case MSG_CLOSE:
    case MSG_DESTROY: return KindWindowDefault(window, msg, wparam, lparam, TEXT_WINDOW_HANDLERS);
    case MSG_SIZE: OnSize(window, lparam); return 0;
    case MSG_PAINT: OnPaint(window); return 0;
    case MSG_CHAR: OnChar(wparam, lparam); return 0;
    case TWM_PUSH_UNITS: OnPushUnits(wparam, lparam); return 0;
    case MSG_KEYDOWN: if (!OnTextHistoryKey(window, wparam)) OnKeyDown(window, wparam, lparam); return 0;
    case MSG_MOUSEWHEEL: OnTextHistoryWheel(window, wparam); return 0;
    case MSG_COMMAND: OnCommand(window, wparam); return 0;
    case MSG_RBUTTONDOWN: OnRightButtonDown(window, lparam); return 0;
    default: return PlatDefWindowProc(window, msg, wparam, lparam);
    }
}
