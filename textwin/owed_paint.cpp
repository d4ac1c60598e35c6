// The thread that pays owed paints. It sleeps until output is owed a paint, then looks once
// an interval at the windows that are owed one. While a window's output keeps coming, its
// printing thread is pumping at least once an interval and paints it itself; once the
// output has stopped for an interval, the thread copies the damage still waiting from the
// window's store to the window (nothing, when a pump came in between). The copy goes
// through a context that names the window by its id, so a window destroyed meanwhile is
// simply not drawn; the record's lock keeps the store still while it is read.
#include "textwin/owed_paint.h"
#include "platform/layer_mutex.h"

#include "platform/draw/draw.h"
#include "platform/system.h"
#include "textwin/text_window.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// The quiet time after which output is taken to have stopped: two ticks of the millisecond
// clock are at least one whole millisecond.
enum { OWED_PAINT_DELAY_MS = 1, OWED_PAINT_QUIET_TICKS = 2 };

static std::atomic<bool> owed[TEXT_WINDOW_COUNT];
static std::atomic<uint32_t> last_owed_tick[TEXT_WINDOW_COUNT];
static std::atomic<bool> any_owed{false};
// Never destroyed: the thread waits on them until the process ends.
static LayerMutex& owed_mutex = *new LayerMutex;
static std::condition_variable& owed_signal = *new std::condition_variable;

// Set while the thread looks at the owed windows and pays them.
static std::atomic<bool> paying{false};

// The thread still has work while a window is owed a paint or one is being paid.
static bool PaintsOwed(void) {
    if (paying.load(std::memory_order_acquire)) return true;
    for (const std::atomic<bool>& o : owed)
        if (o.load(std::memory_order_acquire)) return true;
    return false;
}

static void PayOwedPaint(int id) {
    TextWindowRecord* rec = &text_windows[id];
    std::lock_guard<LayerMutex> guard(rec->lock);
    if (!rec->is_open.load(std::memory_order_acquire) || RectIsEmpty(rec->pending_paint)) return;
    DrawContext window_dc{};
    window_dc.window = rec->hwnd.load(std::memory_order_acquire);
    CopyStoreToContext(rec, &rec->pending_paint, &window_dc);
    rec->pending_paint = PlatRect{0, 0, 0, 0};
}

static void OwedPaintThread(void) {
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(owed_mutex.raw());
            owed_signal.wait(lock, [] { return any_owed.load(std::memory_order_acquire); });
            any_owed.store(false, std::memory_order_relaxed);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(OWED_PAINT_DELAY_MS));
        paying.store(true, std::memory_order_release);
        uint32_t now = PlatGetTickMs();
        bool printing = false;
        for (int id = 0; id < TEXT_WINDOW_COUNT; id++) {
            if (!owed[id].load(std::memory_order_acquire)) continue;
            if (now - last_owed_tick[id].load(std::memory_order_relaxed) < (uint32_t)OWED_PAINT_QUIET_TICKS) {
                printing = true;
                continue;
            }
            if (owed[id].exchange(false, std::memory_order_acq_rel)) PayOwedPaint(id);
        }
        if (printing) any_owed.store(true, std::memory_order_relaxed);
        paying.store(false, std::memory_order_release);
    }
}

void OwePaint(int id, uint32_t now) {
    if (id < 0 || id >= TEXT_WINDOW_COUNT) return;
    last_owed_tick[id].store(now, std::memory_order_relaxed);
    // Already owed and not yet taken by the thread: that payment will cover this output too.
    if (owed[id].exchange(true, std::memory_order_acq_rel)) return;
    static std::once_flag started;
    std::call_once(started, [] {
        PlatAddPendingWorkCheck(PaintsOwed);
        std::thread(OwedPaintThread).detach();
    });
    std::lock_guard<LayerMutex> lock(owed_mutex);
    any_owed.store(true, std::memory_order_release);
    owed_signal.notify_one();
}
