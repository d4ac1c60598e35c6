// The request channel: posting a request and waiting for it on the main thread, carrying it
// out on the worker. A requester never waits for ever: once Exit was chosen or the worker has
// left its idle loop (only the idle loop serves requests), it takes its request back, or
// refuses to post it, and answers REQUEST_NOT_CARRIED_OUT. It waits for the worker without
// spinning: between pumps it sleeps on its message queue, and the worker posts a null message
// to the main window when it finishes a request.
#include "request_channel.h"
#include "run_control.h"
#include "startup_state.h"

#include "platform/window/window.h"

RequestChannel pxk::request_channel{};
static RequestExecutors g_executors{};

// Between pumps a requester on another thread than the main window's is not woken by the
// worker's null message; this bounds its wait.
enum { REQUEST_WAIT_MS = 5 };

void RegisterRequestExecutors(const RequestExecutors& executors) { g_executors = executors; }

void ResetRequestChannel(void) {
    request_channel.cell = nullptr;
    request_channel.code.store(REQ_NONE, std::memory_order_release);
}

void PumpMainMessages(void) {
    Message m;
    while (PlatPeekMessage(&m, PEEK_NOREMOVE)) {
        // The quit belongs to the main loop: it stays posted so that loop still ends.
        if (m.type == MSG_QUIT) return;
        if (!PlatGetMessage(&m)) return;
        PlatTranslateMessage(&m);
        PlatDispatchMessage(&m);
    }
}

// True once no request posted now would ever be carried out.
static bool RequestsRefused(void) {
    if (ExitState.load(std::memory_order_acquire) != PXK_EXIT_NONE) return true;
    int stage = worker_stage.load(std::memory_order_acquire);
    return stage == WORKER_MAIN || stage == WORKER_ENDED;
}

// True once the worker executes nothing more: it left by itself or Exit stopped it.
static bool WorkerGone(void) {
    return worker_stage.load(std::memory_order_acquire) == WORKER_ENDED || WorkerWasTerminated();
}

static void PumpAndWait(void) {
    PumpMainMessages();
    WaitForMessages(REQUEST_WAIT_MS);
}

// Step 1 of a post: waits until the channel is free and takes it for the arguments, so that
// requesters on two threads cannot fill it at once. False when requests are refused.
static bool ClaimChannel(void) {
    for (;;) {
        if (RequestsRefused()) return false;
        int idle = REQ_NONE;
        if (request_channel.code.compare_exchange_strong(idle, REQ_FILLING, std::memory_order_acq_rel)) return true;
        PumpAndWait();
    }
}

// Waits for the worker to mark the cell done. A request the worker has not taken yet is
// taken back when requests become refused; one it is carrying out is waited for, since it
// reads the requester's borrowed texts, until it is done or the worker is gone.
static int AwaitDone(RequestCell* cell, int code) {
    for (;;) {
        // The queue is served at least once, so a command waiting there runs (and may post a
        // nested request) while this one is outstanding.
        PumpMainMessages();
        if (cell->done.load(std::memory_order_acquire)) return cell->result;
        if (RequestsRefused()) {
            int pending = code;
            if (request_channel.code.compare_exchange_strong(pending, REQ_NONE, std::memory_order_acq_rel))
                return REQUEST_NOT_CARRIED_OUT;
            if (WorkerGone() && !cell->done.load(std::memory_order_acquire)) return REQUEST_NOT_CARRIED_OUT;
        }
        WaitForMessages(REQUEST_WAIT_MS);
    }
}

// The arguments are stored by fill() once the channel is taken; the code is stored last.
template <typename Fill>
static int Post(int code, Fill fill) {
    if (!ClaimChannel()) return REQUEST_NOT_CARRIED_OUT;
    RequestCell cell;
    cell.result = REQUEST_DONE;
    cell.done.store(0, std::memory_order_relaxed);
    fill(request_channel);
    request_channel.cell = &cell;
    request_channel.code.store(code, std::memory_order_release);
    return AwaitDone(&cell, code);
}

int RequestCreateImage(int index, const char* title, int width, int height, int bits) {
    return Post(REQ_CREATE_IMAGE, [&](RequestChannel& r) {
        r.index = index;
        r.title = title;
        r.x = -1;
        r.y = -1;
        r.width = width;
        r.height = height;
        r.zoom = 100;
        r.bits = bits;
    });
}

void RequestRedrawImage(int index) {
    Post(REQ_REDRAW_IMAGE, [&](RequestChannel& r) { r.index = index; });
}

int RequestLoadImageFile(int index, const char* file_name) {
    return Post(REQ_LOAD_IMAGE_FILE, [&](RequestChannel& r) {
        r.index = index;
        r.file_name = file_name;
        r.x = 0;
        r.y = 0;
    });
}

void RequestPasteBitmap(Surface* bitmap) {
    Post(REQ_PASTE_BITMAP, [&](RequestChannel& r) { r.bitmap = bitmap; });
}

void RequestOpenTextWindow(int index) {
    // An open window only comes to the front; the current text window stays as it is.
    if (g_executors.text_window_open && g_executors.text_window_open(index)) {
        if (g_executors.raise_text_window) g_executors.raise_text_window(index);
        return;
    }
    Post(REQ_OPEN_TEXT_WINDOW, [&](RequestChannel& r) {
        r.index = index;
        r.x = r.y = r.width = r.height = -1;
    });
}

void RequestOpenInputBox(int fields) {
    Post(REQ_OPEN_INPUT_BOX, [&](RequestChannel& r) {
        r.index = fields;
        r.x = 0;
        r.y = 0;
    });
}

void RequestOpenButtonBox(int columns, int rows) {
    Post(REQ_OPEN_BUTTON_BOX, [&](RequestChannel& r) {
        r.width = columns;
        r.height = rows;
        r.x = 0;
        r.y = 0;
    });
}

void RequestSelectPreviousImage(void) {
    Post(REQ_SELECT_PREVIOUS_IMAGE, [](RequestChannel&) {});
}

static bool ValidSlot(int index) { return index >= 0 && index <= 255; }

static int ExecuteCreateImage(const RequestChannel& r) {
    if (!ValidSlot(r.index)) return REQUEST_BAD_INDEX;
    if (!g_executors.create_image) return REQUEST_NOT_CARRIED_OUT;
    return g_executors.create_image(r.index, r.title, r.x, r.y, r.width, r.height, r.zoom, r.bits);
}

static int ExecuteLoadImageFile(const RequestChannel& r) {
    if (!g_executors.load_image_file) return 1;
    return g_executors.load_image_file(r.index, r.file_name, r.x, r.y);
}

static void ExecutePasteBitmap(const RequestChannel& r) {
    if (g_executors.paste_bitmap) g_executors.paste_bitmap(r.bitmap);
}

static void ExecuteOpenTextWindow(const RequestChannel& r) {
    if (ValidSlot(r.index) && g_executors.open_text_window)
        g_executors.open_text_window(r.index, r.x, r.y, r.width, r.height);
}

// Carries out one taken request; the result goes to the requester's cell.
static void Execute(int code, const RequestChannel& r) {
    RequestCell* cell = r.cell;
    switch (code) {
    case REQ_CREATE_IMAGE: cell->result = ExecuteCreateImage(r); break;
    case REQ_REDRAW_IMAGE:
        if (g_executors.redraw_image) g_executors.redraw_image(r.index);
        break;
    case REQ_LOAD_IMAGE_FILE: cell->result = ExecuteLoadImageFile(r); break;
    case REQ_PASTE_BITMAP: ExecutePasteBitmap(r); break;
    case REQ_OPEN_TEXT_WINDOW: ExecuteOpenTextWindow(r); break;
    case REQ_OPEN_INPUT_BOX:
        if (g_executors.open_input_box) g_executors.open_input_box(r.index, r.x, r.y);
        break;
    case REQ_OPEN_BUTTON_BOX:
        if (g_executors.open_button_box) g_executors.open_button_box(r.width, r.height, r.x, r.y);
        break;
    case REQ_SELECT_PREVIOUS_IMAGE:
        if (g_executors.select_previous_image) g_executors.select_previous_image();
        break;
    default: break;
    }
}

void DispatchRequest(void) {
    int code = request_channel.code.load(std::memory_order_acquire);
    if (code < REQ_CREATE_IMAGE || code > REQ_SELECT_PREVIOUS_IMAGE) return;
    // Taking the request keeps a requester that gives up from taking it back meanwhile.
    if (!request_channel.code.compare_exchange_strong(code, REQ_TAKEN, std::memory_order_acq_rel)) return;
    RequestCell* cell = request_channel.cell;
    Execute(code, request_channel);
    cell->done.store(1, std::memory_order_release);
    request_channel.code.store(REQ_NONE, std::memory_order_release);
    // The requester sleeps on the main thread's queue: wake it.
    WindowId mw = main_window.load(std::memory_order_acquire);
    if (mw) PlatPostMessage(mw, MSG_NULL, 0, 0);
}
