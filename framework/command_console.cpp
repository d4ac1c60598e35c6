// The console's commands. "exit" and "start" go through the main window's own keys (Esc and
// S), so they follow exactly the rules of those keys; "ver" goes through the text window's
// about command, so the version line looks the same wherever it is asked for.
#include "framework/command_console.h"

#include "textwin/key_ring.h"
#include "textwin/text_commands.h"
#include "textwin/text_window.h"

#include "imaging/draw_state.h"
#include "platform/system.h"
#include "platform/window/window.h"
#include "runtime/startup_state.h"

#include <pxk.h>

#include <string.h>

static void PressMainWindowKey(int key) {
    WindowId main = main_window.load(std::memory_order_acquire);
    if (main) PlatPostMessage(main, MSG_KEYDOWN, (uintptr_t)key, 1);
}

// Exit may end this very thread; the short sleep lets the main thread take the key first.
static void ExitCommand(void) {
    PressMainWindowKey(KEY_ESCAPE);
    PlatSleepMs(1);
}

static void StartCommand(void) { PressMainWindowKey('S'); }

static void HelpCommand(void) { PXK_Printf("Command list:exit help start ver color\n"); }

static void VersionCommand(void) {
    TextWindowRecord* rec = OpenTextWindowRecord(current_text_window.load());
    if (rec) PlatPostMessage(rec->hwnd.load(), MSG_COMMAND, (uintptr_t)MakeParam(CMD_TEXT_ABOUT, 0), 0);
}

static void ColorCommand(void) {
    PXK_Color color = PXK_GetDrawColor();
    PXK_Printf("Red  :%3d\n", (color >> 16) & 0xFF);
    PXK_Printf("Green:%3d\n", (color >> 8) & 0xFF);
    PXK_Printf("Blue :%3d\n", color & 0xFF);
    PXK_Printf("pxk_tttc=%06x\n", (unsigned)pxk_tttc);
    PXK_Printf("pxk_tc=%06x\n", (unsigned)pxk_tc);
}

struct ConsoleCommand {
    const char* word;
    void (*run)(void);
};

static const ConsoleCommand CONSOLE_COMMANDS[] = {
    {"exit", ExitCommand}, {"start", StartCommand}, {"help", HelpCommand},
    {"ver", VersionCommand}, {"color", ColorCommand},
};

void RunCommandConsole(void) {
    char line[LINE_UNITS] = {0};
    // Printing the prompt pumps messages: what is typed from now on is kept for the line.
    lines_expected.fetch_add(1, std::memory_order_acq_rel);
    PXK_Printf("Cmd>");
    PXK_InputText(line);
    lines_expected.fetch_sub(1, std::memory_order_acq_rel);
    for (const ConsoleCommand& c : CONSOLE_COMMANDS) {
        if (strcmp(line, c.word) == 0) {
            c.run();
            return;
        }
    }
    PXK_Printf("Invalid command\n");
}
