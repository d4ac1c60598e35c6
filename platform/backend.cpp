// Backend choice at start: the headless backend when PIXKIT_BACKEND=headless, otherwise
// X11 when a display can be opened; without one a clear line goes to stderr. Also the end
// of the program when a backend loses its display.
#include "backend.h"
#include "backends.h"
#include "system.h"

#include "codec/codec.h"
#include "platform/memory_limits.h"

#include <atomic>
#include <unistd.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>


static const Backend* g_backend = nullptr;
static std::atomic<void (*)(void)> g_display_lost_handler{nullptr};
static std::atomic<bool> g_display_lost{false};

void PlatRegisterControls(void);

const Backend* PlatBackend(void) { return g_backend; }

bool PlatBackendIsHeadless(void) { return g_backend && strcmp(g_backend->name, "headless") == 0; }

// The codec counts its decoders' buffers against the memory that remains, which only this layer
// can read; it learns how when a backend starts, before any picture is opened.
static void LendMemoryRoom(void) { CodecSetMemoryRoom(MemoryRoom); }

int PlatStartHeadless(int width, int height, int bits) {
    LendMemoryRoom();
    HeadlessConfigure(width, height, bits);
    g_backend = HeadlessBackend();
    int rc = g_backend->init();
    PlatRegisterControls();
    return rc;
}

int PlatStartBackend(void) {
    if (g_backend) return 0;
    LendMemoryRoom();
    const char* choice = getenv("PIXKIT_BACKEND");
    if (choice && strcmp(choice, "headless") == 0) {
        const Backend* be = HeadlessBackend();
        if (be->init() == 0) {
            g_backend = be;
            PlatRegisterControls();
            return 0;
        }
        fprintf(stderr, "pixkit: the headless backend could not start\n");
        return 2;
    }
#ifdef PIXKIT_HAVE_X11
    const Backend* x11 = X11Backend();
    if (x11->init() == 0) {
        g_backend = x11;
        PlatRegisterControls();
        return 0;
    }
    const char* display = getenv("DISPLAY");
    fprintf(stderr, "pixkit: cannot open X display \"%s\" (set DISPLAY, or PIXKIT_BACKEND=headless)\n",
            display ? display : "");
#else
    fprintf(stderr, "pixkit: no display backend is built in (set PIXKIT_BACKEND=headless)\n");
#endif
    return 2;
}

void PlatStopBackend(void) {
    if (g_backend && g_backend->shutdown) g_backend->shutdown();
}

void PlatSetDisplayLostHandler(void (*handler)(void)) { g_display_lost_handler.store(handler); }

void PlatDisplayLost(const char* what) {
    // Only the first report speaks; a second thread that notices the loss waits here for
    // the first one to end the process.
    if (!g_display_lost.exchange(true)) {
        // Straight to the descriptor: the stream's lock may be held by a thread that will
        // never run again.
        char line[256];
        int n = snprintf(line, sizeof line, "pixkit: %s\n", what);
        if (n > (int)sizeof line - 1) n = (int)sizeof line - 1;
        ssize_t written = write(2, line, n > 0 ? (size_t)n : 0);
        (void)written;
        void (*handler)(void) = g_display_lost_handler.load();
        if (handler) handler();
        _exit(1);
    }
    for (;;) pause();
}
