// Start-up and shutdown on the main thread: the backend, an instance slot, the framework's
// tables and start folders, the window classes, the image text font and the main window
// (whose creation starts the worker), then the main message loop until the main window is
// gone. The tables and classes of the windows above the runtime come from the window kinds
// the start-up code registered (window_kinds.h).
#include "entry.h"
#include "instance_slot.h"
#include "main_window.h"
#include "run_control.h"
#include "shared_ops.h"
#include "startup_state.h"
#include "window_classes.h"
#include "window_kinds.h"

#include "platform/backend.h"
#include "platform/controls/dialog.h"
#include "platform/font/font.h"
#include "platform/window/menu.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window/window.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int instance_slot = 0;
char16_t* pxk::open_dir_w = nullptr;
char* pxk::open_dir = nullptr;
char16_t* pxk::save_dir_w = nullptr;
char* pxk::save_dir = nullptr;
char16_t* pxk::start_dir_w = nullptr;
char* pxk::start_dir = nullptr;
Font* pxk::image_text_font = nullptr;
int pxk::screen_bits = 32;
std::atomic<WindowId> pxk::main_window{0};
std::atomic<WindowId> pxk::status_line{0};
Menu* pxk::main_menu = nullptr;
std::atomic<bool> pxk::main_loop_running{false};
bool pxk::exit_process_after_termination = true;

// Replaces a folder copy by a fresh one of text, with room for a trailing '/'. A previous
// program run's copy is freed: the worker that read it is gone or parked for good.
static void StoreFolder(char** narrow, char16_t** wide, const char* text) {
    size_t n = strlen(text);
    free(*narrow);
    free(*wide);
    *narrow = (char*)malloc(n + 2);
    *wide = (char16_t*)malloc((n + 2) * sizeof(char16_t));
    if (!*narrow || !*wide) return;
    memcpy(*narrow, text, n + 1);
    Utf8ToUtf16(text, -1, *wide, (int)n + 2);
}

static void EndInSeparator(char* narrow, char16_t* wide) {
    size_t n = strlen(narrow);
    // The root folder already ends in the separator.
    if (n > 0 && narrow[n - 1] == '/') return;
    narrow[n] = '/';
    narrow[n + 1] = 0;
    int w = Utf16Length(wide);
    wide[w] = u'/';
    wide[w + 1] = 0;
}

int ReadStartFolders(void) {
    // The whole path, however deep: the system allocates what it needs.
    char* cwd = getcwd(nullptr, 0);
    if (!cwd) return errno ? errno : 1;
    StoreFolder(&open_dir, &open_dir_w, cwd);
    StoreFolder(&save_dir, &save_dir_w, cwd);
    StoreFolder(&start_dir, &start_dir_w, cwd);
    free(cwd);
    if (!open_dir || !open_dir_w || !save_dir || !save_dir_w || !start_dir || !start_dir_w) return ENOMEM;
    EndInSeparator(start_dir, start_dir_w);
    return 0;
}

static void ResetFrameworkTables(void) {
    ResetWindowKinds();
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
// is, ends with the process. This runs on the display thread, which may hold a window's
// pixels while other threads wait for them, so it waits for no lock another thread can keep:
// the logs' own locks are bounded, and standard output is flushed only if it is free (a
// thread stopped in the middle of a write keeps its stream).
static void OnDisplayLost(void) {
    CloseWindowKindLogs();
    if (ftrylockfile(stdout) == 0) {
        fflush_unlocked(stdout);
        funlockfile(stdout);
    }
    _exit(1);
}

static void RunMainLoop(void) {
    Message m;
    while (PlatGetMessage(&m)) {
        PlatTranslateMessage(&m);
        PlatDispatchMessage(&m);
    }
}

// What start-up made, given back in reverse order.
static void UndoStart(void) {
    PlatDeleteFont(image_text_font);
    image_text_font = nullptr;
    UnregisterWindowClasses();
    ReleaseInstanceSlot();
}

static void Shutdown(void) {
    // The menu bar went with the main window, which had taken it over.
    main_menu = nullptr;
    main_window.store(0, std::memory_order_release);
    UndoStart();
}

// A start-up failure the user must hear of: one line on stderr, and a box for those who
// started the program from the desktop.
static void ReportStartFailure(const char* text) {
    fprintf(stderr, "PIXKIT: %s\n", text);
    char16_t wide[512];
    Utf8ToUtf16(text, -1, wide, 512);
    PlatMessageBox(0, wide, u"PIXKIT", MBOX_OK);
}

// Ten programs already run: the line goes to stderr at once, so a script or a run without
// a user learns of it; the box is for the user of a real desktop and is not shown on the
// headless screen, where no one would see it and the program would wait for ever.
static void ReportInstanceLimit(void) {
    fprintf(stderr, "PIXKIT: Over instance limit!\n");
    fflush(stderr);
    const Backend* backend = PlatBackend();
    if (backend && strcmp(backend->name, "headless") == 0) return;
    PlatMessageBox(0, u"Over instance limit!", u"PIXKIT", MBOX_OK);
}

static int ClaimSlot(void) {
    char why[600];
    int slot = ClaimInstanceSlot(why, sizeof why);
    if (slot == SLOT_ALL_TAKEN) ReportInstanceLimit();
    else if (slot < 0) ReportStartFailure(why);
    return slot;
}

static int ReadFolders(void) {
    int err = ReadStartFolders();
    if (err == 0) return 0;
    char text[128];
    snprintf(text, sizeof text, "the current folder cannot be read (%s)", strerror(err));
    ReportStartFailure(text);
    return 1;
}

int RunProgram(int argc, char** argv) {
    (void)argc;
    (void)argv;
    PlatSetDisplayLostHandler(OnDisplayLost);
    int rc = PlatStartBackend();
    if (rc != 0) return 2;
    int slot = ClaimSlot();
    if (slot < 0) return 1;
    instance_slot = slot;
    ms_per_tick = 1000.0 / (double)PlatGetCounterFrequency();
    ResetFrameworkTables();
    if (ReadFolders() != 0 || RegisterWindowClasses() != 0) {
        ReleaseInstanceSlot();
        return 1;
    }
    // Everything the worker reads is ready before the main window starts it.
    CreateImageTextFont();
    WindowId window = CreateMainWindow();
    if (!window) {
        ReportStartFailure("the main window could not be created");
        // The window never took the menu bar over.
        PlatDestroyMenu(main_menu);
        main_menu = nullptr;
        UndoStart();
        return 1;
    }
    char depth[16];
    snprintf(depth, sizeof depth, "%d-bit color", screen_bits);
    PXK_SetStatusText(depth);
    PlatUpdateWindow(window);
    main_loop_running.store(true);
    RunMainLoop();
    main_loop_running.store(false);
    Shutdown();
    return 0;
}
