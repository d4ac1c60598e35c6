// The text window's commands. The menu, the Ctrl shortcuts and commands posted from elsewhere
// (the console's "ver" posts the about command) all arrive as command messages and end here,
// so each command has one handler. The about command is not in the table: it prints into the
// window that received it, in its own colours, and leaves the current window as it was. The
// console and the window report read the other subsystems, so they live above this folder
// and register their handlers at start (SetTextCommandHandler).
#include "textwin/text_commands.h"

#include "runtime/run_control.h"
#include "platform/window/menu.h"
#include "runtime/shared_ops.h"
#include "textwin/text_window.h"

#include <pxk.h>

#include <stdio.h>

#ifndef PIXKIT_VERSION
#error "PIXKIT_VERSION is set by the build from the project's version"
#endif

// ---- The command table --------------------------------------------------------------------

static void CloseCommand(int id) { PXK_CloseTextWindow(id); }
static void StartLogCommand(int id) { PXK_StartLog(id); }
static void StopLogCommand(int id) { PXK_StopLog(id); }
static void CopyLogCommand(int id) { PXK_CopyLog(id); }
static void SelectCommand(int id) { PXK_SelectTextWindow(id); }

struct TextCommand {
    int id;
    void (*run)(int id);
};

// Not const: the console's and the report's rows get their handlers from the framework.
static TextCommand TEXT_COMMANDS[] = {
    {CMD_TEXT_DESTROY, CloseCommand},        {CMD_TEXT_START_LOG, StartLogCommand},
    {CMD_TEXT_STOP_LOG, StopLogCommand},     {CMD_TEXT_CONSOLE, nullptr},
    {CMD_TEXT_COPY_LOG, CopyLogCommand},     {CMD_TEXT_WINDOW_INFO, nullptr},
    {CMD_TEXT_SELECT, SelectCommand},
};

// The about line's colours: light green on dark grey.
enum { ABOUT_TEXT_COLOR = 0x80FF80, ABOUT_BACK_COLOR = 0x404040 };

static void PrintAboutLine(int id) {
    char line[64];
    snprintf(line, sizeof line, "PIXKIT version %s\n", PIXKIT_VERSION);
    PrintInColors(id, line, ABOUT_TEXT_COLOR, ABOUT_BACK_COLOR);
}

void RunTextCommand(int id, int command) {
    if (!OpenTextWindowRecord(id)) return;
    if (command == CMD_TEXT_ABOUT) {
        PrintAboutLine(id);
        return;
    }
    for (const TextCommand& c : TEXT_COMMANDS)
        if (c.id == command && c.run) c.run(id);
}

int SetTextCommandHandler(int command, void (*run)(int id)) {
    for (TextCommand& c : TEXT_COMMANDS)
        if (c.id == command) {
            c.run = run;
            return 0;
        }
    return 1;
}

void RunConsoleFromKey(int id) {
    PXK_SelectTextWindow(id);
    RunTextCommand(id, CMD_TEXT_CONSOLE);
}

int TextShortcutCommand(int key) {
    switch (key) {
    case 'A': return CMD_TEXT_ABOUT;
    case 'C': return CMD_TEXT_COPY_LOG;
    case 'Q': return CMD_TEXT_DESTROY;
    case 'S': return CMD_TEXT_SELECT;
    case 'W': return CMD_TEXT_WINDOW_INFO;
    default: return 0;
    }
}

// ---- The popup menu -----------------------------------------------------------------------

static int LogStateOf(int id) {
    TextWindowRecord* rec = &text_windows[id];
    std::lock_guard<LayerMutex> guard(rec->lock);
    return rec->log_state;
}

static int CheckedIf(bool on) { return on ? MENU_CHECKED : MENU_ENABLED; }

static void FillTextMenu(Menu* menu, int id) {
    int log_state = LogStateOf(id);
    char copy[64];
    snprintf(copy, sizeof copy, "&Copy PIXKIT%d%d.LOG\tCtrl+C", instance_slot, id);
    InsertMenuText(menu, 0, CheckedIf(current_text_window.load() == id), CMD_TEXT_SELECT, "&Select\tCtrl+S");
    InsertMenuText(menu, 1, MENU_ENABLED, CMD_TEXT_WINDOW_INFO, "&Window Info.\tCtrl+W");
    InsertMenuText(menu, 2, MENU_ENABLED, CMD_TEXT_CONSOLE, "Command");
    InsertMenuSeparator(menu, 3);
    InsertMenuText(menu, 4, CheckedIf(log_state == LOG_ON), CMD_TEXT_START_LOG, "Start Log");
    InsertMenuText(menu, 5, CheckedIf(log_state == LOG_PAUSED), CMD_TEXT_STOP_LOG, "Stop Log");
    InsertMenuText(menu, 6, MENU_ENABLED, CMD_TEXT_COPY_LOG, copy);
    InsertMenuSeparator(menu, 7);
    InsertMenuText(menu, 8, MENU_ENABLED, CMD_TEXT_ABOUT, "&About PIXKIT\tCtrl+A");
    InsertMenuSeparator(menu, 9);
    InsertMenuText(menu, 10, MENU_ENABLED, CMD_TEXT_DESTROY, "&Destroy\tCtrl+Q");
}

void OpenTextPopupMenu(WindowId window, int id, int x, int y) {
    // No menu while a line is read or a point tool waits for clicks.
    if (input_active.load(std::memory_order_acquire) != 0 ||
        point_tool_active.load(std::memory_order_acquire) != 0)
        return;
    Menu* menu = PlatCreatePopupMenu();
    if (!menu) return;
    FillTextMenu(menu, id);
    PlatTrackPopupMenu(menu, x, y, window);
    PlatDestroyMenu(menu);
}
