// Internal state of the window layer: the window table, thread queues and the helpers the
// layer's own files share. Not for use outside platform/.
#pragma once

#include "platform/plat_types.h"
#include "platform/layer_mutex.h"
#include "platform/window/window.h"
#include "platform/draw/surface.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

struct Menu;

enum { MAX_WINDOWS = 4096, MAX_CLASSES = 64, MAX_TIMERS = 16, MAX_WINDOW_TEXT = 255 };

// Width of the sunken edge that EXSTYLE_CLIENTEDGE puts around the client area.
enum { CLIENT_EDGE = 2 };

// Internal message: destroy this window (sent to its own thread by another thread).
enum { MSG_LAYER_DESTROY = MSG_USER - 1 };
// Internal message, posted to no window: wakes the thread's loop so that it looks again at
// what it waits for (dispatching it does nothing).
enum { MSG_LAYER_WAKE = MSG_USER - 2 };

struct WindowClass {
    bool in_use;
    char name[64];
    WindowProc proc;
    uint32_t style;
    uint32_t background;
};

struct SentMessage;

struct TimerRecord {
    WindowId window;
    int id;
    int period_ms;
    uint32_t next_ms;
};

// One queue per thread that ever touched the layer.
struct ThreadQueue {
    LayerMutex lock;
    std::condition_variable wake;
    std::deque<Message> posted;
    std::deque<SentMessage*> sent;
    bool quit = false;
    int quit_code = 0;
    int paint_count = 0;           // windows of this thread with something to paint
    TimerRecord timers[MAX_TIMERS] = {};
    bool in_send_wait = false;
    bool asleep = false;           // the owner thread is blocked waiting for a message
    uint64_t waits = 0;            // how often it began such a wait with nothing queued
};

struct WindowRecord {
    bool in_use;
    bool destroying;
    uint32_t generation;
    int class_index;
    uint32_t style;
    uint32_t ex_style;
    WindowId parent;
    WindowId owner;
    int control_id;
    char16_t text[MAX_WINDOW_TEXT + 1];
    PlatRect rect;                 // outer: screen coordinates, or parent client ones for a child
    ThreadQueue* queue;
    bool visible;
    bool accept_files;
    Menu* menu;
    bool has_invalid;
    bool erase;
    PlatRect invalid;              // client coordinates
    Surface* surface;              // top-level windows: pixels of the whole outer area
    intptr_t user_data;
    uint64_t z;                    // top-level stacking: larger is higher
    bool native;                   // a backend window exists
    bool active_caption;           // caption drawn as active
    bool close_pressed;            // close box drawn pressed
    int menu_hot;                  // menu-bar item drawn pressed, or -1
};

namespace pxk {
// The table lock guards every record. Never call a window procedure or the backend's
// blocking functions while holding it.
extern LayerMutex g_table_lock;
extern WindowRecord g_windows[MAX_WINDOWS];
extern WindowClass g_classes[MAX_CLASSES];
}  // namespace pxk
using pxk::g_table_lock, pxk::g_windows, pxk::g_classes;

// The record of a live window, or null. Call with g_table_lock held.
WindowRecord* LookupWindow(WindowId window);
// The index of a registered class, or -1. Call with g_table_lock held.
int FindClass(const char* name);
// A free slot claimed for a new window (cleared, in use, its generation moved on), or -1
// when the table is full. Call with g_table_lock held.
int ClaimWindowSlot(void);
// The live windows that `window` owns (owned: top-level ones) or that are its children, at
// most max, in slot order; windows being destroyed are left out. Takes g_table_lock itself.
int CollectRelated(WindowId window, bool owned, WindowId* out, int max);
WindowId MakeWindowId(int index);
int WindowIndex(WindowId window);

ThreadQueue* CurrentThreadQueue(void);
// The queues of the threads PlatCreateThread made that still run (neither ended nor parked):
// the framework's own threads, which the test driver's settled wait watches even while they
// own no window (platform/system.cpp).
void LiveThreadQueues(std::vector<ThreadQueue*>* out);
ThreadQueue* WindowQueue(WindowId window);
// Destroys every window of a thread that can no longer serve them, without messages.
void DestroyThreadWindows(ThreadQueue* queue);
// Answers the messages other threads sent to a thread that will never serve them.
void AbandonThreadQueue(ThreadQueue* queue);

// Calls the window's procedure on the current thread (the caller checked the thread).
intptr_t CallWindowProcedure(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);
// Same-thread windows get the message sent, others get it posted, so a notification never
// makes one framework thread wait for another.
void NotifyWindow(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);
// Queues a message for the window's thread with the current cursor point and time.
int QueueMessage(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);

// Non-client geometry of a window: the frame's width for a style, and the client rectangle
// in window (outer) coordinates.
int FrameWidth(uint32_t style);
PlatRect ClientAreaOf(const WindowRecord* rec);
int HitTestWindow(const WindowRecord* rec, int wx, int wy);
// The close box in window coordinates; false when the window has none.
bool CloseBoxRect(WindowId window, PlatRect* rect);
// The item of a menu bar under a point in window coordinates, or -1; fills its rectangle.
int MenuBarItemAt(WindowId window, int wx, int wy, PlatRect* item_rect);
// Redraws caption, frame and menu bar into the top-level window's pixels and presents them.
void PaintNonClient(WindowId window);
// Alt+key on a window with a menu bar: posts the command of the item with that mnemonic.
bool MenuBarMnemonic(WindowId window, int key);

// Screen rectangle of a window's client area.
PlatRect ClientRectOnScreen(const WindowRecord* rec);
// Outer rectangle in screen coordinates (children included).
PlatRect OuterRectOnScreen(const WindowRecord* rec);


// Puts a rectangle (surface coordinates; null: all) of a top-level window's pixels on screen.
void PresentWindowRect(WindowId top, const PlatRect* rect);

// The pixel lock of a top-level window slot.
LayerMutex& PixelLock(int index);

namespace pxk {
// Focus and activation bookkeeping shared with input routing.
extern WindowId g_focus;
extern WindowId g_active;
extern WindowId g_capture;
}  // namespace pxk
using pxk::g_focus, pxk::g_active, pxk::g_capture;
void ActivateTopLevel(WindowId top, int how);
// A click or the window manager activated a top-level window: raise it and activate it.
void ActivateFromInput(WindowId top);

// The modifier keys and mouse buttons held now, packed for Message::key_state.
uint32_t CurrentKeyState(void);
// The calling thread retrieved a message: from now on PlatGetKeyState answers for the
// modifiers and buttons as they were when that message was queued, the way a program
// expects a key's state to match the message it is handling.
void SetMessageKeyState(uint32_t key_state);
// Modifier and button state kept from input, for PlatGetKeyState.
void SetKeyDown(int key, bool down);
uint64_t NextStackingStamp(void);
void DestroyWindowOnOwnThread(WindowId window);
// Window lookups by screen point (call with the table lock held).
WindowId TopLevelAt(PlatPoint p);
WindowId ChildWindowAt(WindowId top, PlatPoint p);
