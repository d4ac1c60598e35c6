// The main window's right-click menu, Ctrl shortcuts, window-building commands and drops.
// A command that prompts or posts requests counts in main_command_depth while it runs, which
// keeps Start and the main entry away from the idle loop its requests need.
#include "main_commands.h"
#include "main_window.h"
#include "run_control.h"
#include "shared_ops.h"

#include "platform/window/menu.h"
#include "platform/window/window.h"

static MainWindowCommands g_commands{};

void RegisterMainWindowCommands(const MainWindowCommands& commands) { g_commands = commands; }

static bool LineInputActive(void) { return g_commands.line_input_active && g_commands.line_input_active() != 0; }

// True while the window-building commands must not start.
static bool CommandsRefused(void) {
    return Running.load() != 0 || LineInputActive() || main_command_depth.load() != 0;
}

static int StateOf(void (*command)(void)) { return (!command || CommandsRefused()) ? MENU_GRAYED : MENU_ENABLED; }

static void FillMainMenu(Menu* menu) {
    int s = CommandsRefused() ? MENU_GRAYED : MENU_ENABLED;
    InsertMenuText(menu, 0, StateOf(g_commands.paste), CMD_PASTE, "Paste\tCtrl+V");
    InsertMenuSeparator(menu, 1);
    InsertMenuText(menu, 2, s, CMD_START, "Start");
    InsertMenuText(menu, 3, MENU_ENABLED, CMD_STOP, "Stop");
    InsertMenuText(menu, 4, MENU_ENABLED, CMD_EXIT, "E&xit");
    InsertMenuSeparator(menu, 5);
    InsertMenuText(menu, 6, StateOf(g_commands.image_window), CMD_IMAGE_WINDOW, "Image Window");
    InsertMenuText(menu, 7, StateOf(g_commands.text_window), CMD_TEXT_WINDOW, "Text Window");
    InsertMenuText(menu, 8, StateOf(g_commands.input_box), CMD_INPUT_BOX, "Input Box");
    InsertMenuText(menu, 9, StateOf(g_commands.button_box), CMD_BUTTON_BOX, "Button Box");
    InsertMenuSeparator(menu, 10);
    InsertMenuText(menu, 11, StateOf(g_commands.window_info), CMD_WINDOW_INFO, "&Window Info.\tCtrl+W");
}

void OpenMainMenu(WindowId window) {
    if (point_tool_active.load(std::memory_order_acquire) != 0) return;
    Menu* menu = PlatCreatePopupMenu();
    if (!menu) return;
    FillMainMenu(menu);
    PlatPoint at;
    PlatGetCursorPos(&at);
    PlatTrackPopupMenu(menu, at.x, at.y, window);
    PlatDestroyMenu(menu);
}

static void RunCounted(void (*command)(void)) {
    main_command_depth.fetch_add(1);
    command();
    main_command_depth.fetch_sub(1);
}

// The commands that build windows, refused in the phases where they cannot be served.
static void RunBuilding(void (*command)(void)) {
    if (!command || CommandsRefused()) return;
    RunCounted(command);
}

// Window Info still acts while the user program runs (the command itself posts nothing then
// unless the worker can serve it); it is refused only while another command is in progress.
static void RunWindowInfo(void) {
    if (!g_commands.window_info || main_command_depth.load() != 0) return;
    RunCounted(g_commands.window_info);
}

bool RunMainCommand(int id) {
    switch (id) {
    case CMD_PASTE: RunBuilding(g_commands.paste); return true;
    case CMD_IMAGE_WINDOW: RunBuilding(g_commands.image_window); return true;
    case CMD_TEXT_WINDOW: RunBuilding(g_commands.text_window); return true;
    case CMD_INPUT_BOX: RunBuilding(g_commands.input_box); return true;
    case CMD_BUTTON_BOX: RunBuilding(g_commands.button_box); return true;
    case CMD_WINDOW_INFO: RunWindowInfo(); return true;
    default: return false;
    }
}

void OnMainControlKey(WindowId window, uintptr_t key) {
    // The inspector needs no request: it opens and closes whatever the worker is doing.
    if (key == 'I' && g_commands.inspector) g_commands.inspector();
    if (main_command_depth.load() != 0) return;
    if (key == 'V') PlatPostMessage(window, MSG_COMMAND, (uintptr_t)MakeParam(CMD_PASTE, 0), 0);
    if (key == 'W') PlatPostMessage(window, MSG_COMMAND, (uintptr_t)MakeParam(CMD_WINDOW_INFO, 0), 0);
}

void OnMainDrop(DropList* drop) {
    // After Start a drop's requests would never be served.
    if (drop && Running.load() == 0 && g_commands.drop) {
        main_command_depth.fetch_add(1);
        g_commands.drop(drop);
        main_command_depth.fetch_sub(1);
    }
    PlatDragFinish(drop);
}
