// The main window: a small captioned window at the bottom of the screen with the menu bar
// Start / Stop / Exit and a status line. Its creation plays the drop-in animation, reads the
// screen depth and starts the worker thread. It refuses resizing and snaps when dragged with
// Ctrl held. Its right-click menu, shortcuts and drops are in main_commands.cpp.
#include "main_window.h"
#include "instance_slot.h"
#include "main_commands.h"
#include "run_control.h"
#include "shared_ops.h"
#include "startup_state.h"
#include "window_classes.h"
#include "window_rects.h"

#include "platform/backend.h"
#include "platform/controls/controls.h"
#include "platform/window/menu.h"
#include "platform/system.h"
#include "platform/window/window.h"

#include <stdio.h>
#include <string.h>

enum {
    MAIN_CLIENT_WIDTH = 240,
    MAIN_CLIENT_EXTRA = 32,      // client height below the menu bar's height
    DROP_DISTANCE = 55,
    ANIMATION_STEP_MS = 20,
    ANIMATION_SETTLE_MS = 500
};

static const uint32_t MAIN_STYLE = STYLE_CAPTION | STYLE_SYSMENU;

// The drop-in animation: falls 55 pixels, bounces twice and settles (the offsets sum to 55).
static const int DROP_OFFSETS[] = {1,  2,  3,  4,  5,  6,  7,  8, 9, 10, -6, -5, -4, -3,
                                   -2, -1, 1,  2,  3,  4,  5,  6, -3, -2, -1, 1, 2, 3};

void MainWindowClassName(char* buf, int size) { snprintf(buf, (size_t)size, "pixkit_mw%d", instance_slot); }

static void MoveWindowDown(WindowId window, int offset) {
    PlatRect r;
    PlatGetWindowRect(window, &r);
    PlatSetWindowPos(window, r.left, r.top + offset, 0, 0, MOVE_NOSIZE | MOVE_NOZORDER | MOVE_SHOW);
}

// The main thread does nothing else meanwhile. Each step sleeps to a deadline counted from the
// start, so the steps stay 20 ms apart whatever the timer's resolution and the time a move
// takes, and no processor is kept busy. Nobody watches a headless screen: the window goes to
// where the animation ends at once, without the steps or the settling half second.
static void PlayDropIn(WindowId window) {
    if (PlatBackendIsHeadless()) {
        MoveWindowDown(window, DROP_DISTANCE);
        return;
    }
    const uint64_t per_ms = PlatGetCounterFrequency() / 1000;
    uint64_t deadline = PlatGetCounter();
    for (int offset : DROP_OFFSETS) {
        MoveWindowDown(window, offset);
        deadline += ANIMATION_STEP_MS * per_ms;
        PlatSleepUntil(deadline);
    }
    PlatSleepUntil(deadline + ANIMATION_SETTLE_MS * per_ms);
}

static intptr_t OnCreate(WindowId window) {
    main_window.store(window, std::memory_order_release);
    WindowCreate c{};
    c.class_name = "STATIC";
    c.text = u"Ready";
    c.style = STYLE_CHILD | STYLE_VISIBLE;
    c.x = 0;
    c.y = 6;
    c.width = 234;
    c.height = 20;
    c.parent = window;
    c.id = STATUS_LINE_ID;
    // Until the standard controls exist this may fail; the status text is kept anyway.
    status_line.store(PlatCreateWindow(&c), std::memory_order_release);
    PlayDropIn(window);
    screen_bits = PlatGetSystemMetric(METRIC_SCREENBITS);
    // On before the worker exists; the worker switches it off when the main entry starts.
    PlatDragAcceptFiles(window, true);
    StartWorkerThread();
    return 0;
}

static void OnDestroy(WindowId) {
    status_line.store(0, std::memory_order_release);
    PlatPostQuitMessage(0);
}

static intptr_t OnSizing(WindowId window, PlatRect* proposed) {
    // The main window keeps its size: the proposal becomes the current rectangle.
    if (proposed) PlatGetWindowRect(window, proposed);
    return 0;
}

static intptr_t OnKeyDown(WindowId window, uintptr_t key) {
    if (PlatGetKeyState(KEY_CONTROL) & KEY_STATE_DOWN) {
        OnMainControlKey(window, key);
        return 0;
    }
    switch (key) {
    case 'X':
    case KEY_ESCAPE: ExitCommand(); break;
    case 'S': StartCommand(); break;
    case 'C': StopCommand(); break;
    default: break;
    }
    return 0;
}

static intptr_t OnCommand(uintptr_t wparam) {
    int id = ParamLow((intptr_t)wparam);
    switch (id) {
    case CMD_START: StartCommand(); break;
    case CMD_STOP: StopCommand(); break;
    case CMD_EXIT: ExitCommand(); break;
    default: RunMainCommand(id); break;
    }
    return 0;
}

static intptr_t OnRightButton(WindowId window) {
    OpenMainMenu(window);
    return 0;
}

static intptr_t OnDropFiles(uintptr_t wparam) {
    OnMainDrop((DropList*)wparam);
    return 0;
}

// The close box runs Exit, so that the worker always ends before the main window goes.
static void OnClose(WindowId) { OnCommand(CMD_EXIT); }

static const KindWindowHandlers MAIN_WINDOW_HANDLERS{nullptr, OnClose, OnDestroy};

intptr_t MainWindowProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case MSG_CREATE: return OnCreate(window);
    case MSG_MOVE:
    case MSG_MOVING:
    case MSG_CLOSE:
    case MSG_DESTROY: return KindWindowDefault(window, msg, wparam, lparam, MAIN_WINDOW_HANDLERS);
    case MSG_SIZING: return OnSizing(window, (PlatRect*)lparam);
    case MSG_KEYDOWN: return OnKeyDown(window, wparam);
    case MSG_COMMAND: return OnCommand(wparam);
    // The caption and the menu bar give the same menu as the client area.
    case MSG_RBUTTONDOWN:
    case MSG_NCRBUTTONDOWN: return OnRightButton(window);
    case MSG_DROPFILES: return OnDropFiles(wparam);
    default: return PlatDefWindowProc(window, msg, wparam, lparam);
    }
}

WindowId CreateMainWindow(void) {
    main_menu = PlatCreateMenu();
    InsertMenuText(main_menu, 0, MENU_ENABLED, CMD_START, "Start(&S)");
    InsertMenuText(main_menu, 1, MENU_ENABLED, CMD_STOP, "Stop(&C)");
    InsertMenuText(main_menu, 2, MENU_ENABLED, CMD_EXIT, "Exit(&X)");
    // The menu bar's height is part of the client height asked for, so the outer rectangle
    // is calculated as for a window without a menu.
    PlatRect r{0, 0, MAIN_CLIENT_WIDTH, PlatGetSystemMetric(METRIC_CYMENU) + MAIN_CLIENT_EXTRA};
    PlatAdjustWindowRect(&r, MAIN_STYLE, 0, false);
    int w = RectWidth(r), h = RectHeight(r);
    int x = (PlatGetSystemMetric(METRIC_CXFULLSCREEN) - w) / 2;
    int y = PlatGetSystemMetric(METRIC_CYFULLSCREEN) + PlatGetSystemMetric(METRIC_CYCAPTION) - h - DROP_DISTANCE;
    char name[32];
    MainWindowClassName(name, sizeof name);
    WindowCreate c{};
    c.class_name = name;
    c.text = u"PIXKIT";
    c.style = MAIN_STYLE;
    c.x = x;
    c.y = y;
    c.width = w;
    c.height = h;
    c.menu = main_menu;
    return PlatCreateWindow(&c);
}
