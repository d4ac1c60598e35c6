// The text window's commands: one table of command ids, shared by the popup menu, the Ctrl
// shortcuts and posted commands, with their handlers; the popup menu; the about line.
#pragma once

#include "platform/plat_types.h"

enum {
    CMD_TEXT_DESTROY = 1006,
    CMD_TEXT_ABOUT = 1020,
    CMD_TEXT_START_LOG = 1024,
    CMD_TEXT_STOP_LOG = 1025,
    CMD_TEXT_CONSOLE = 1029,
    CMD_TEXT_COPY_LOG = 1030,
    CMD_TEXT_WINDOW_INFO = 1045,
    CMD_TEXT_SELECT = 1069
};

// Runs a command for the open text window id; ids no menu or shortcut uses do nothing, and so
// does a command whose handler was not registered.
void RunTextCommand(int id, int command);
// Gives a command its handler: the console (CMD_TEXT_CONSOLE) and the window report
// (CMD_TEXT_WINDOW_INFO) are registered by the framework at start. 0 done; 1 no such command.
int SetTextCommandHandler(int command, void (*run)(int id));
// The command of a Ctrl shortcut key (A, C, Q, S, W), or 0.
int TextShortcutCommand(int key);
// Shows the popup menu of text window id with its top-left at the screen point; the chosen
// item comes back to the window as a command message.
void OpenTextPopupMenu(WindowId window, int id, int x, int y);
// The Space key: makes the window current and runs the command console's handler.
void RunConsoleFromKey(int id);
