// Thread queues: posting, sending across threads, getting and peeking, timers and the quit
// message. Paint messages are made when nothing else waits, from the invalid rectangles
// that window_paint.cpp keeps.
//
// The quit message is sticky: once posted on a thread, every message loop of that thread
// ends, nested ones first, so an Exit chosen inside a nested pump still ends the outer loop.
// Lock order: the table lock may be taken before a queue lock, never after it.
#include "platform/draw/draw.h"
#include "platform/layer_mutex.h"
#include "platform/system.h"
#include "platform/window/window_core.h"
#include "platform/window/window_paint.h"

#include <atomic>
#include <chrono>

struct SentMessage {
    WindowId window;
    int msg;
    uintptr_t wparam;
    intptr_t lparam;
    intptr_t result;
    bool done;
    ThreadQueue* sender;
};

static thread_local ThreadQueue* tl_queue = nullptr;
static LayerMutex g_queues_lock;
static ThreadQueue* g_queues[256];
static int g_queue_count = 0;

ThreadQueue* CurrentThreadQueue(void) {
    // Queues live as long as the process: a message may still name a thread that ended.
    if (!tl_queue) {
        tl_queue = new ThreadQueue;
        std::lock_guard<LayerMutex> guard(g_queues_lock);
        if (g_queue_count < 256) g_queues[g_queue_count++] = tl_queue;
    }
    return tl_queue;
}

ThreadQueue* WindowQueue(WindowId window) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    return rec ? rec->queue : nullptr;
}

// A window destroyed at another thread's request goes while this thread waits in
// PlatGetMessage, which serves the request and waits on: a loop that waits for the window to
// go (a modal dialog's pump) would never look again. One message to no window wakes it.
static void WakeCurrentThread(void) {
    ThreadQueue* q = CurrentThreadQueue();
    Message m{};
    m.type = MSG_LAYER_WAKE;
    m.time = PlatGetTickMs();
    PlatGetCursorPos(&m.point);
    m.key_state = CurrentKeyState();
    {
        std::lock_guard<LayerMutex> guard(q->lock);
        q->posted.push_back(m);
    }
    q->wake.notify_all();
}

intptr_t CallWindowProcedure(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == MSG_LAYER_DESTROY) {
        DestroyWindowOnOwnThread(window);
        WakeCurrentThread();
        return 0;
    }
    WindowProc proc = nullptr;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(window);
        if (!rec) return 0;
        proc = g_classes[rec->class_index].proc;
    }
    return proc ? proc(window, msg, wparam, lparam) : 0;
}

// Queues at the end, or at the front for a message that must come before everything
// already waiting (the character of a key being translated right now).
static int QueueMessageAt(WindowId window, int msg, uintptr_t wparam, intptr_t lparam, bool front) {
    ThreadQueue* q = WindowQueue(window);
    if (!q) return 1;
    Message m;
    m.window = window;
    m.type = msg;
    m.wparam = wparam;
    m.lparam = lparam;
    m.time = PlatGetTickMs();
    PlatGetCursorPos(&m.point);
    m.key_state = CurrentKeyState();
    {
        std::lock_guard<LayerMutex> guard(q->lock);
        if (front) q->posted.push_front(m);
        else q->posted.push_back(m);
    }
    q->wake.notify_all();
    return 0;
}

int QueueMessage(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    return QueueMessageAt(window, msg, wparam, lparam, false);
}

int PlatPostMessage(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    return QueueMessage(window, msg, wparam, lparam);
}

void NotifyWindow(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    ThreadQueue* q = WindowQueue(window);
    if (!q) return;
    if (q == CurrentThreadQueue()) CallWindowProcedure(window, msg, wparam, lparam);
    else QueueMessage(window, msg, wparam, lparam);
}

// Hands a sent message's answer back and wakes its sender; the record lives in the
// sender's frame, so it is not touched after this.
static void CompleteSent(SentMessage* sm, intptr_t result) {
    ThreadQueue* sender = sm->sender;
    {
        std::lock_guard<LayerMutex> guard(sender->lock);
        sm->result = result;
        sm->done = true;
    }
    sender->wake.notify_all();
}

// The oldest message another thread sent to this one, taken off its list; null when none.
static SentMessage* TakeSent(ThreadQueue* q) {
    std::lock_guard<LayerMutex> guard(q->lock);
    if (q->sent.empty()) return nullptr;
    SentMessage* sm = q->sent.front();
    q->sent.pop_front();
    return sm;
}

// Serves the messages other threads sent to this one.
static void ProcessSent(ThreadQueue* q) {
    while (SentMessage* sm = TakeSent(q))
        CompleteSent(sm, CallWindowProcedure(sm->window, sm->msg, sm->wparam, sm->lparam));
}

// Answers every message sent to a thread that will never serve them again.
static void AbandonSent(ThreadQueue* q) {
    while (SentMessage* sm = TakeSent(q)) CompleteSent(sm, 0);
}

void AbandonThreadQueue(ThreadQueue* q) { AbandonSent(q); }

intptr_t PlatSendMessage(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    PlatParkIfFenced();
    ThreadQueue* target = WindowQueue(window);
    if (!target) return 0;
    ThreadQueue* me = CurrentThreadQueue();
    if (target == me) return CallWindowProcedure(window, msg, wparam, lparam);
    SentMessage sm{window, msg, wparam, lparam, 0, false, me};
    {
        std::lock_guard<LayerMutex> guard(target->lock);
        target->sent.push_back(&sm);
    }
    target->wake.notify_all();
    LayerHold hold;
    std::unique_lock<std::mutex> lk(me->lock.raw());
    while (!sm.done) {
        if (!me->sent.empty()) {
            // Serve sends to us meanwhile, so two threads sending to each other never lock up.
            lk.unlock();
            ProcessSent(me);
            lk.lock();
            continue;
        }
        me->wake.wait_for(lk, std::chrono::milliseconds(20));
        if (!sm.done) {
            lk.unlock();
            bool alive = PlatIsWindow(window);
            lk.lock();
            if (!alive && !sm.done) {
                // The window went away with its message still queued: take it back.
                lk.unlock();
                bool removed = false;
                {
                    std::lock_guard<LayerMutex> guard(target->lock);
                    for (auto it = target->sent.begin(); it != target->sent.end(); ++it)
                        if (*it == &sm) {
                            target->sent.erase(it);
                            removed = true;
                            break;
                        }
                }
                lk.lock();
                if (removed) break;
            }
        }
    }
    return sm.done ? sm.result : 0;
}

// A timer that is due is reported; only a removing look restarts its period, so a peek
// without removing leaves the same timer message for the get that follows.
static bool NextTimer(ThreadQueue* q, Message* m, int* wait_ms, bool remove) {
    uint32_t now = PlatGetTickMs();
    std::lock_guard<LayerMutex> guard(q->lock);
    for (int i = 0; i < MAX_TIMERS; i++) {
        TimerRecord& t = q->timers[i];
        if (!t.window) continue;
        int32_t left = (int32_t)(t.next_ms - now);
        if (left <= 0) {
            if (remove) t.next_ms = now + (uint32_t)t.period_ms;
            m->window = t.window;
            m->type = MSG_TIMER;
            m->wparam = (uintptr_t)t.id;
            m->lparam = 0;
            m->time = now;
            m->key_state = 0;
            return true;
        }
        if (left < *wait_ms) *wait_ms = left;
    }
    return false;
}

// ---- Held input ---------------------------------------------------------------------------

// Keyboard input a window cannot take yet stays queued: while the hold answers true for the
// window of the oldest posted message, that message and everything posted after it wait, so
// input is neither lost nor reordered. Timers, paints and sent messages go on meanwhile.
static std::atomic<InputHoldFn> g_input_hold{nullptr};

void PlatSetInputHold(InputHoldFn hold) { g_input_hold.store(hold, std::memory_order_release); }

static bool IsKeyboardMessage(int type) {
    return type == MSG_KEYDOWN || type == MSG_KEYUP || type == MSG_SYSKEYDOWN || type == MSG_CHAR;
}

// Whether the oldest posted message is held, judged without the queue lock (the hold may
// take the window table's lock). *looked tells whether there was one to judge: only this
// thread takes from the front, so a message found there later arrived after the look.
static bool FrontHeld(ThreadQueue* q, bool* looked = nullptr) {
    if (looked) *looked = false;
    InputHoldFn hold = g_input_hold.load(std::memory_order_acquire);
    if (!hold) return false;
    Message front;
    {
        std::lock_guard<LayerMutex> guard(q->lock);
        if (q->posted.empty()) return false;
        front = q->posted.front();
    }
    if (looked) *looked = true;
    return IsKeyboardMessage(front.type) && hold(front.window);
}

// Called with the queue lock held: something posted can be taken now.
static bool PostedDeliverable(ThreadQueue* q, bool held) { return !q->posted.empty() && !held; }

// With only held input waiting, waits poll briefly: the hold ends when another thread makes
// room, which does not wake this one.
enum { HELD_INPUT_POLL_MS = 1 };

// One look at the queue. Returns true with a message; false when nothing waits.
static bool LookForMessage(ThreadQueue* q, Message* m, bool remove, int* wait_ms) {
    for (;;) {
        ProcessSent(q);
        bool looked = false;
        bool held = FrontHeld(q, &looked);
        bool have = false;
        bool quit = false;
        int paints = 0;
        {
            std::lock_guard<LayerMutex> guard(q->lock);
            if (!q->sent.empty()) continue;
            // Keyboard input that arrived after the look is judged before it is taken.
            if (!looked && !q->posted.empty() && IsKeyboardMessage(q->posted.front().type) &&
                g_input_hold.load(std::memory_order_acquire))
                continue;
            if (held && *wait_ms > HELD_INPUT_POLL_MS) *wait_ms = HELD_INPUT_POLL_MS;
            if (PostedDeliverable(q, held)) {
                *m = q->posted.front();
                if (remove) q->posted.pop_front();
                have = true;
            }
            quit = q->quit;
            paints = q->paint_count;
        }
        if (have) {
            if (m->window && !PlatIsWindow(m->window)) {
                // A message for a window that is gone is dropped (and freed if it owns data).
                if (m->type == MSG_DROPFILES) {
                    if (!remove) {
                        std::lock_guard<LayerMutex> guard(q->lock);
                        if (!q->posted.empty()) q->posted.pop_front();
                    }
                    PlatDragFinish((DropList*)m->wparam);
                } else if (!remove) {
                    std::lock_guard<LayerMutex> guard(q->lock);
                    if (!q->posted.empty()) q->posted.pop_front();
                }
                continue;
            }
            return true;
        }
        if (quit) {
            m->window = 0;
            m->type = MSG_QUIT;
            m->wparam = (uintptr_t)q->quit_code;
            m->lparam = 0;
            m->key_state = 0;
            return true;
        }
        if (paints > 0) {
            WindowId w = NextWindowToPaint(q);
            if (w) {
                m->window = w;
                m->type = MSG_PAINT;
                m->wparam = 0;
                m->lparam = 0;
                m->time = PlatGetTickMs();
                m->key_state = 0;
                return true;
            }
        }
        return NextTimer(q, m, wait_ms, remove);
    }
}

bool PlatGetMessage(Message* msg) {
    PlatParkIfFenced();
    ThreadQueue* q = CurrentThreadQueue();
    for (;;) {
        int wait_ms = 1000;
        if (LookForMessage(q, msg, true, &wait_ms)) {
            SetMessageKeyState(msg->key_state);
            return msg->type != MSG_QUIT;
        }
        bool held = FrontHeld(q);
        {
            LayerHold hold;
            std::unique_lock<std::mutex> lk(q->lock.raw());
            bool posted = PostedDeliverable(q, held);
            if (!posted && q->sent.empty() && !q->quit && q->paint_count == 0) {
                q->asleep = true;
                q->waits++;
                q->wake.wait_for(lk, std::chrono::milliseconds(wait_ms > 0 ? wait_ms : 1));
                q->asleep = false;
            }
            else if (q->paint_count > 0 && !posted && q->sent.empty() && !q->quit)
                q->wake.wait_for(lk, std::chrono::milliseconds(5));   // painting of hidden windows waits
        }
        // Parks only with the queue lock released: other threads post to this queue.
        PlatParkIfFenced();
    }
}

bool PlatPeekMessage(Message* msg, int remove) {
    PlatParkIfFenced();
    int wait_ms = 0;
    if (!LookForMessage(CurrentThreadQueue(), msg, remove == PEEK_REMOVE, &wait_ms)) return false;
    if (remove == PEEK_REMOVE) SetMessageKeyState(msg->key_state);
    return true;
}

void PlatWaitMessage(int timeout_ms) {
    PlatParkIfFenced();
    ThreadQueue* q = CurrentThreadQueue();
    ProcessSent(q);
    bool held = FrontHeld(q);
    LayerHold hold;
    std::unique_lock<std::mutex> lk(q->lock.raw());
    if (PostedDeliverable(q, held) || !q->sent.empty() || q->quit || q->paint_count > 0) return;
    if (held && (timeout_ms < 0 || timeout_ms > HELD_INPUT_POLL_MS)) timeout_ms = HELD_INPUT_POLL_MS;
    q->asleep = true;
    q->waits++;
    if (timeout_ms < 0) q->wake.wait(lk);
    else q->wake.wait_for(lk, std::chrono::milliseconds(timeout_ms));
    q->asleep = false;
}

void PlatTranslateMessage(const Message* msg) {
    if (!msg || msg->type != MSG_KEYDOWN) return;
    int key = (int)msg->wparam;
    int ch = 0;
    switch (key) {
    case KEY_RETURN: ch = '\r'; break;
    case KEY_BACK: ch = '\b'; break;
    case KEY_TAB: ch = '\t'; break;
    case KEY_ESCAPE: ch = 0x1B; break;
    default:
        if ((PlatGetKeyState(KEY_CONTROL) & KEY_STATE_DOWN) && key >= 'A' && key <= 'Z') ch = key - 'A' + 1;
        break;
    }
    // The character goes before input that arrived after the key: typed text is queued as
    // characters at once, so a later letter must not overtake this key's character.
    if (ch) QueueMessageAt(msg->window, MSG_CHAR, (uintptr_t)ch, msg->lparam, true);
}

intptr_t PlatDispatchMessage(const Message* msg) {
    if (!msg || !msg->window) return 0;
    if (msg->type == MSG_PAINT) return SendPaintMessage(msg->window);
    return CallWindowProcedure(msg->window, msg->type, msg->wparam, msg->lparam);
}

void PlatPostQuitMessage(int exit_code) {
    ThreadQueue* q = CurrentThreadQueue();
    {
        std::lock_guard<LayerMutex> guard(q->lock);
        q->quit = true;
        q->quit_code = exit_code;
    }
    q->wake.notify_all();
}

bool PlatQuitPosted(void) {
    ThreadQueue* q = CurrentThreadQueue();
    std::lock_guard<LayerMutex> guard(q->lock);
    return q->quit;
}

// ---- Timers ----------------------------------------------------------------------------

int PlatSetTimer(WindowId window, int id, int period_ms) {
    ThreadQueue* q = WindowQueue(window);
    if (!q || period_ms <= 0) return 1;
    std::lock_guard<LayerMutex> guard(q->lock);
    int free_slot = -1;
    for (int i = 0; i < MAX_TIMERS; i++) {
        TimerRecord& t = q->timers[i];
        if (t.window == window && t.id == id) {
            free_slot = i;
            break;
        }
        if (!t.window && free_slot < 0) free_slot = i;
    }
    if (free_slot < 0) return 2;
    q->timers[free_slot] = TimerRecord{window, id, period_ms, PlatGetTickMs() + (uint32_t)period_ms};
    q->wake.notify_all();
    return 0;
}

int PlatKillTimer(WindowId window, int id) {
    ThreadQueue* q = WindowQueue(window);
    if (!q) return 1;
    std::lock_guard<LayerMutex> guard(q->lock);
    for (int i = 0; i < MAX_TIMERS; i++)
        if (q->timers[i].window == window && q->timers[i].id == id) {
            q->timers[i] = TimerRecord{};
            return 0;
        }
    return 1;
}
