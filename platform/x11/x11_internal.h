// Internal state of the X11 backend, shared by its files. One display thread owns the X
// connection: every Xlib call in this backend happens on that thread. Framework threads
// only touch the fields marked "under g_x11.lock" and hand everything else over as commands.
#pragma once

#include "../backend.h"
#include "x11_backend.h"
#include "../plat_types.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

enum { X11_MAX_WINDOWS = BACKEND_MAX_WINDOWS };

// Events every native window listens to.
const long X11_EVENT_MASK = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | StructureNotifyMask | FocusChangeMask;

// A shared-memory pixel block: either the backend's own copy of a window's pixels (copy
// path) or a window's pixels themselves, lent to the layer (alloc_window_pixels), which the
// server then reads where the layer draws. The display thread attaches it to the server the
// first time it presents from it, and detaches and deletes it when it is no longer used.
struct ShmBlock {
    XShmSegmentInfo info;
    size_t bytes;
    bool lent;                // the layer's window pixels (else a backing copy)
    bool mapped;              // our own mapping is still there (lent blocks keep it until deleted)
    unsigned attached_on;     // display thread only: the connection (X11State::connection)
                              // on which the server attached it, 0 none
    int slot;                 // lent blocks: the backing last presenting from them (0 none);
                              // set in present under the backing's lock and the layer's pixel
                              // lock, read when the layer frees the pixels (after that lock)
};

// The pixels a window last presented, which the display thread puts on screen (and repaints
// uncovered parts from) without the layer or its locks. With MIT-SHM these are the window's
// own pixels in a lent segment: a present only names the damaged rectangle, and the server
// reads the pixels as they are when it runs the put (drawing still going on there is put
// again by its own present). Otherwise the backing is the backend's own copy: a framework
// thread copies into it in present, and the display thread holds the lock while the server
// reads it, so a frame never shows half copied.
struct Backing {
    std::mutex lock;
    WindowId id = 0;
    uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    ShmBlock* block = nullptr;  // the segment holding the pixels, or null for ordinary memory
};

// Completion of a command a framework thread waits for (bounded).
struct Completion {
    std::mutex lock;
    std::condition_variable done_cv;
    bool done = false;
    int result = 0;
    std::vector<uint8_t> bytes;   // answer of a clipboard read
    bool have_bytes = false;
    std::string type;             // the type the owner answered with
};

enum {
    CMD_CREATE = 1,
    CMD_DESTROY,
    CMD_MOVE,
    CMD_SHOW,
    CMD_TITLE,
    CMD_RAISE,
    CMD_ACCEPT_DROPS,
    CMD_SHM_DETACH,
    CMD_OWN_CLIPBOARD,
    CMD_READ_CLIPBOARD,
    CMD_SAVE_CLIPBOARD,
    CMD_QUIT
};

struct Command {
    int type = 0;
    WindowId window = 0;
    PlatRect rect{};
    int arg = 0;
    uint32_t color = 0;        // background of a new window (0x00RRGGBB)
    uint32_t flags = 0;
    WindowId owner = 0;
    std::string text;          // title (UTF-8) or class name
    std::vector<std::string> types;  // a clipboard read's types, in the caller's order
    ShmBlock* block = nullptr;
    std::shared_ptr<Completion> completion;
};

// Configure requests of one window whose echoes are still recognised as ours: enough for an
// animation's burst of moves that the window manager answers late.
enum { X11_REQUESTS_KEPT = 32 };

// Display-thread view of one native window, indexed by the layer's window slot.
struct X11Window {
    bool in_use;
    WindowId id;
    Window xid;
    Window parent;             // current parent (root, or the window manager's frame)
    XIC ic;
    bool popup;
    bool mapped;
    bool drops;                // XdndAware set
    bool fixed_size;           // equal minimum and maximum size hints
    PlatRect requested[X11_REQUESTS_KEPT];  // the last rectangles asked for, newest last (== asked)
    int requested_count;
    PlatRect asked;            // the rectangle the layer asked for last
    unsigned long asked_serial;  // request number of the last configure request
    int insist;                // times the asked rectangle may still be asked again against the manager
    int size_undos;            // times a size of the server's own may still be undone
    PlatRect layer_rect;       // the layer's rectangle as we last know it (asked may be larger: 1 x 1 at least)
};

using SharedBytes = std::shared_ptr<const std::vector<uint8_t>>;

// One representation of the clipboard content we own. Its atom is interned by the display
// thread when it takes the selection (0 until then).
struct HeldOffer {
    std::string type;
    Atom atom;
    SharedBytes bytes;
};

// A selection transfer in progress (INCR) to another client.
struct IncrSend {
    Window requestor;
    Atom property;
    Atom type;
    SharedBytes data;
    size_t offset;
    uint32_t started_ms;       // when the last piece went out
};

// An outstanding read of a selection (clipboard or drop) by this process. A clipboard read
// asks TARGETS first and then the first wanted type the owner lists; an owner that cannot
// answer TARGETS is asked for each wanted type in turn.
struct SelectionRead {
    bool active;
    bool drop;                 // a drop's file list (else a clipboard read)
    Atom selection;
    Atom target;               // asked for now
    bool asking_targets;
    bool guessing;             // no TARGETS: the wanted types are tried in order
    std::vector<Atom> wanted;
    size_t next_wanted;        // while guessing: the next one to try
    Time time;
    int bits;                  // item size of the answer (8, 16 or 32)
    bool incr;
    std::vector<uint8_t> data;
    Atom type;
    uint32_t deadline_ms;
    std::shared_ptr<Completion> completion;
};

struct DropState {
    Window source;
    Window target;             // our window under the drag
    WindowId window;
    int version;
    bool has_uri_list;
    int x, y;                  // last root position
};

struct X11State {
    // Set at init, read-only afterwards.
    Display* dpy = nullptr;
    int screen = 0;
    Window root = 0;
    Visual* visual = nullptr;
    int depth = 0;
    bool direct_format = false;  // 32 bits per pixel, 0x00RRGGBB masks: pixels go as they are
    bool shm = false;            // MIT-SHM usable
    unsigned connection = 0;     // counts the backend's starts (which segments are attached)
    Window helper = 0;           // unmapped window for selections
    XIM im = nullptr;
    int wake_fd = -1;
    std::thread thread;
    bool thread_done = false;     // under lock
    std::condition_variable done_cv;

    // Under lock.
    std::mutex lock;
    std::deque<Command> commands;
    PlatRect damage[X11_MAX_WINDOWS];
    WindowId damage_id[X11_MAX_WINDOWS];
    std::vector<int> damaged;    // slots with damage
    ScreenInfo screen_info{};
    bool running = false;
    bool force_put_image = false;
    uint64_t presents_queued = 0;
    uint64_t presents_done = 0;
    std::condition_variable presented_cv;
    // Clipboard content we own (framework copy).
    bool clip_owned = false;
    std::vector<HeldOffer> clip_offers;

    // Each under its own lock.
    Backing backing[X11_MAX_WINDOWS];

    // Display thread only.
    X11Window windows[X11_MAX_WINDOWS];
    std::unordered_map<Window, int> by_xid;
    Time last_time = CurrentTime;
    std::vector<IncrSend> incr_sends;
    SelectionRead read{};
    Time clip_time = CurrentTime;  // server time at which we took the clipboard
    // Handing the clipboard to a clipboard manager at the end (completes when it answers).
    std::shared_ptr<Completion> save;
    uint32_t save_deadline_ms = 0;
    DropState drop{};
};

namespace pxk {
extern X11State g_x11;
}  // namespace pxk
using pxk::g_x11;

// Atoms, interned once at init.
struct X11Atoms {
    Atom wm_protocols, wm_delete_window, wm_transient_for, wm_name, wm_class;
    Atom net_wm_name, net_wm_pid, net_active_window, net_workarea, net_current_desktop;
    Atom net_wm_state, net_wm_state_above, motif_wm_hints, utf8_string, string, text;
    Atom net_wm_window_type, net_wm_window_type_normal;
    Atom clipboard, targets, incr, text_plain_utf8, text_plain, pixkit_sel;
    Atom timestamp, multiple, atom_pair, integer, clipboard_manager, save_targets, pixkit_time,
        pixkit_save;
    Atom atom, cardinal;
    Atom xdnd_aware, xdnd_enter, xdnd_position, xdnd_status, xdnd_leave, xdnd_drop, xdnd_finished,
        xdnd_selection, xdnd_type_list, xdnd_action_copy, text_uri_list;
};
namespace pxk {
extern X11Atoms g_atoms;
}  // namespace pxk
using pxk::g_atoms;

// x11_backend.cpp
void QueueCommand(Command&& cmd);
// Waits at most timeout_ms for a queued command; its result, or -1 on timeout.
int WaitCompletion(const std::shared_ptr<Completion>& c, int timeout_ms, bool* timed_out);
void WakeDisplayThread(void);
uint32_t X11NowMs(void);
int X11WindowSlot(Window xid);          // -1 when the window is not ours (any more)
// Makes a native window id visible to other threads (X11NativeWindow), 0 when it is gone.
void X11PublishNative(int slot, unsigned long xid);

// x11_windows.cpp
void RunWindowCommand(const Command& cmd);
void ReadScreenInfo(void);
void HandleConfigure(int slot, const XConfigureEvent& ev);
// A window was mapped: checks where the window manager put it.
void HandleMapped(int slot);

// x11_present.cpp
void FlushDamage(void);
void AddDamage(WindowId window, const PlatRect& rect);
void DetachBlock(ShmBlock* block);
// Deletes a block whose connection is gone (no Xlib call).
void DiscardBlock(ShmBlock* block);
// Backend entries: window pixels in segments the server reads in place.
uint8_t* X11AllocWindowPixels(size_t bytes, void** handle);
void X11FreeWindowPixels(uint8_t* pixels, void* handle);
bool ProbeShm(void);
// The server pixel value of a 0x00RRGGBB colour.
unsigned long X11PixelOf(uint32_t rgb);
// Copies the view's rect into the window's backing (framework threads, in present).
void X11Present(WindowId window, const PixelView* view, const PlatRect* rect);
// Frees a window's backing; on the display thread the segment is detached at once.
void ReleaseBacking(int slot, WindowId window, bool display_thread);

// x11_input.cpp
void SetupInputMethod(void);
void CreateInputContext(X11Window* w);
void HandleInputEvent(XEvent* ev, int slot);
int KeySymToKey(KeySym sym);
int ModsFromState(unsigned int state);

// x11_clipboard.cpp
void OwnClipboard(void);
void HandleSelectionRequest(const XSelectionRequestEvent& ev);
void HandleSelectionClear(const XSelectionClearEvent& ev);
void HandleSelectionNotify(const XSelectionEvent& ev);
void HandleSelectionProperty(const XPropertyEvent& ev);
void StartClipboardRead(const Command& cmd);
// Asks a running clipboard manager to take our content over (CMD_SAVE_CLIPBOARD).
void StartClipboardSave(const Command& cmd);
// Whether the display thread waits for another client and must look at the clock.
bool SelectionWaitActive(void);
void CheckReadTimeout(void);
void FinishRead(bool ok);
// Framework thread, as the backend stops: hands our clipboard to a running clipboard manager
// so that it outlives the program (bounded wait).
void HandClipboardToManager(void);
// After the display thread ended: completes whatever still waited for another client.
void EndSelectionWaits(void);
void StartDropRead(Time time);

// x11_dnd.cpp
void HandleDndMessage(const XClientMessageEvent& ev, int slot);
void HandleDropData(const std::vector<uint8_t>& data, bool ok);
void SetDropAware(int slot, bool aware);
