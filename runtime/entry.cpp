// Start-up and shutdown on the main thread: the backend, an instance slot, the framework's
// tables and start folders, the window classes, the image text font and the main window
// (whose creation starts the worker), then the main message loop until the main window is
// gone.
#include "entry.h"
#include "instance_slot.h"
#include "main_window.h"
#include "run_control.h"
#include "shared_ops.h"
#include "startup_state.h"
#include "window_classes.h"

#include "imagewin/image_table.h"
#include "imaging/draw_state.h"
#include "platform/backend.h"
#include "platform/controls/dialog.h"
#include "platform/font/font.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window/window.h"

#include <pxk.h>

#include <stdio.h>
#include <string.h>
#include <unistd.h>

int instance_slot = 0;
char16_t open_dir_w[PATH_UNITS];
char open_dir[PATH_UNITS];
char16_t save_dir_w[PATH_UNITS];
char save_dir[PATH_UNITS];
char16_t start_dir_w[PATH_UNITS];
char start_dir[PATH_UNITS];
Font* image_text_font = nullptr;
int screen_bits = 32;
std::atomic<WindowId> main_window{0};
std::atomic<WindowId> status_line{0};
Menu* main_menu = nullptr;
std::atomic<bool> main_loop_running{false};
bool exit_process_after_termination = true;

// The text window table is reset by its own store.
void ResetTextWindowTable(void);

static void ReadFolder(char16_t* wide, char* narrow) {
    char buf[PATH_UNITS];
    if (PlatGetCurrentFolder(buf, PATH_UNITS) != 0) buf[0] = 0;
    Utf8ToUtf16(buf, -1, wide, PATH_UNITS);
    Utf16ToUtf8(wide, -1, narrow, PATH_UNITS);
}

void ReadStartFolders(void) {
    ReadFolder(open_dir_w, open_dir);
    ReadFolder(save_dir_w, save_dir);
    ReadFolder(start_dir_w, start_dir);
    int n = Utf16Length(start_dir_w);
    // The root folder already ends in the separator; a path that fills the buffer is cut
    // by one character to make room for it.
    if (n == 0 || start_dir_w[n - 1] != u'/') {
        if (n >= PATH_UNITS - 1) n = PATH_UNITS - 2;
        start_dir_w[n] = u'/';
        start_dir_w[n + 1] = 0;
    }
    Utf16ToUtf8(start_dir_w, -1, start_dir, PATH_UNITS);
    if (start_dir[0] && start_dir[strlen(start_dir) - 1] != '/') {
        // The 8-bit copy was cut at a character boundary: end it in the separator too.
        size_t len = strlen(start_dir);
        if (len >= PATH_UNITS - 1) len = PATH_UNITS - 2;
        start_dir[len] = '/';
        start_dir[len + 1] = 0;
    }
}

static void ResetFrameworkTables(void) {
    ResetImageTable();
    ResetTextWindowTable();
    ResetDrawState();
    ResetRunControl();
}

static void CreateImageTextFont(void) {
    FontDesc d{};
    const char16_t face[] = u"ＭＳ ゴシック";
    memcpy(d.face, face, sizeof face);
    d.height = 16;
    d.width = 8;
    d.weight = 400;
    image_text_font = PlatCreateFont(&d);
}

// The display went away: no window can be seen or used any more. What the logs hold is kept
// (they are closed as on Exit) and the program ends with status 1; the worker, wherever it
// is, ends with the process.
static void OnDisplayLost(void) {
    PXK_CloseAllLogs();
    fflush(nullptr);
    _exit(1);
}

static void RunMainLoop(void) {
    Message m;
    while (PlatGetMessage(&m)) {
        PlatTranslateMessage(&m);
        PlatDispatchMessage(&m);
    }
}

static void Shutdown(void) {
    PlatDeleteFont(image_text_font);
    image_text_font = nullptr;
    // The menu bar went with the main window, which had taken it over.
    main_menu = nullptr;
    main_window.store(0, std::memory_order_release);
    UnregisterWindowClasses();
    ReleaseInstanceSlot();
}

int PixkitMain(int argc, char** argv) {
    (void)argc;
    (void)argv;
    PlatSetDisplayLostHandler(OnDisplayLost);
    int rc = PlatStartBackend();
    if (rc != 0) return 2;
    int slot = ClaimInstanceSlot();
    if (slot < 0) {
        PlatMessageBox(0, u"Over instance limit!", u"PIXKIT", MBOX_OK);
        return 1;
    }
    instance_slot = slot;
    ms_per_tick = 1000.0 / (double)PlatGetCounterFrequency();
    ResetFrameworkTables();
    ReadStartFolders();
    if (RegisterWindowClasses() != 0) {
        ReleaseInstanceSlot();
        return 1;
    }
    // Everything the worker reads is ready before the main window starts it.
    CreateImageTextFont();
    WindowId window = CreateMainWindow();
    char depth[16];
    snprintf(depth, sizeof depth, "%d-bit color", screen_bits);
    PXK_SetStatusText(depth);
    PlatUpdateWindow(window);
    main_loop_running.store(true);
    RunMainLoop();
    main_loop_running.store(false);
    bool terminated = WorkerWasTerminated();
    Shutdown();
    if (terminated && exit_process_after_termination) {
        // The terminated worker is parked somewhere inside the program; global destructors
        // must not run under it. Nothing buffered is lost: logs were closed by Exit.
        fflush(nullptr);
        _exit(0);
    }
    return 0;
}
