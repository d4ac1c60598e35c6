// Stopping a thread from outside, as Exit stops a worker that does not end: whatever the
// thread was doing, it is parked holding nothing the threads that go on need. Each case stops
// a thread many times in the middle of work that holds such a lock most of the time (the
// pixels of its window, the allocator), then does on another thread what needs that lock.
#include "platform/backend.h"
#include "platform/driver/driver.h"
#include "platform/system.h"
#include "platform/window/window.h"
#include "platform/window/window_pixels.h"
#include "support/top_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdlib.h>
#include <string.h>
#include <thread>

namespace {

enum { BIG_BLOCK = 64 * 1024 };   // above the allocator's per-thread caches, below its mappings

std::atomic<WindowId> window{0};
std::atomic<long> rounds{0};
std::atomic<void*> block{nullptr};
std::atomic<bool> after_done{false};

void DrawRound(WindowId w) {
    PlatRect client, clip;
    Surface* s = LockWindowPixels(w, &client, &clip);
    if (!s) return;
    for (int y = clip.top; y < clip.bottom; y++) memset(SurfaceRow(s, y), (int)rounds.load() & 0xFF, 4 * (size_t)s->width);
    UnlockWindowPixels(w, &clip);
}

// Some of each round runs in the program's own code, in registers alone: a sanitizer that
// takes over the allocator and every memory access would otherwise leave no point to stop at.
#if defined(__SANITIZE_THREAD__)
const int MIX_STEPS = 20000;
#else
const int MIX_STEPS = 20;
#endif

void AllocateRound(WindowId) {
    void* p = malloc(BIG_BLOCK + (size_t)(rounds.load() % 4096));
    if (!p) abort();
    free(p);
    uint64_t x = 88172645463325252ull;
    for (int i = 0; i < MIX_STEPS; i++) x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    if (x == 0) abort();
}

int Loop(void* work) {
    WindowId w = MakeTopWindow("test_stopped", 10, 10, 300, 200, STYLE_CAPTION | STYLE_VISIBLE, u"stopped");
    block.store(malloc(BIG_BLOCK));
    window.store(w);
    for (;;) {
        ((void (*)(WindowId))work)(w);
        rounds.fetch_add(1);
    }
}

struct StopCase {
    const char* name;
    void (*work)(WindowId w);
};

const StopCase CASES[] = {{"pixels", DrawRound}, {"allocator", AllocateRound}};

}  // namespace

TEST(ThreadStop, AStoppedThreadHoldsNoLockThatOthersNeed) {
    ASSERT_EQ(PlatStartHeadless(1920, 1080, 32), 0);
    WindowClassDesc desc{"test_stopped", PlatDefWindowProc, 0, 0};
    ASSERT_EQ(PlatRegisterClass(&desc), 0);
    for (const StopCase& c : CASES) {
        for (int run = 0; run < 30; run++) {
            SCOPED_TRACE(testing::Message() << c.name << " run " << run);
            window.store(0);
            rounds.store(0);
            PlatThread* t = PlatCreateThread(Loop, (void*)c.work);
            ASSERT_TRUE(DriverWaitFor([] { return rounds.load() > 3; }));
            const WindowId w = window.load();
            ASSERT_EQ(PlatTerminateThread(t, 1), 0);
            EXPECT_EQ(PlatGetThreadExitCode(t), 1);
            // What needs the locks runs on a thread of its own, so that a hang fails the case.
            after_done.store(false);
            std::thread after([t] {
                PlatDestroyThreadWindows(t);
                free(block.exchange(nullptr));
                after_done.store(true);
            });
            bool finished = DriverWaitFor([] { return after_done.load(); }, 10000);
            if (!finished) after.detach();
            ASSERT_TRUE(finished);
            after.join();
            EXPECT_FALSE(PlatIsWindow(w));
        }
    }
}
