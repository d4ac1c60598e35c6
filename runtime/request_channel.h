// The request channel from the main thread to the worker's idle loop. Every framework window
// but the main window belongs to the worker, so the main window's commands never create one
// themselves: a requester fills the shared record, sets a request code last and pumps its own
// messages until the worker, in its idle loop, has carried the request out and marked the
// requester's own done cell. Nothing is locked; the order of the stores (arguments before the
// code, done before the code is cleared) is made visible by release stores and acquire loads.
//
// The runtime knows nothing of images, text windows or boxes: the code above it registers the
// executors that do the work (framework/startup.cpp).
#pragma once

#include <atomic>

struct Surface;

enum {
    REQ_NONE = 0,
    REQ_CREATE_IMAGE = 9001,
    REQ_REDRAW_IMAGE = 9002,
    REQ_LOAD_IMAGE_FILE = 9003,
    REQ_PASTE_BITMAP = 9004,
    REQ_OPEN_TEXT_WINDOW = 9005,
    REQ_OPEN_INPUT_BOX = 9006,
    REQ_OPEN_BUTTON_BOX = 9007,
    // After a paste or a drop the image that was current before it becomes current again.
    // The worker pops the history, so the two threads never shift it at once.
    REQ_SELECT_PREVIOUS_IMAGE = 9008,
    // Marks a request the worker has taken and is carrying out.
    REQ_TAKEN = -1,
    // Marks the channel while a requester stores its arguments.
    REQ_FILLING = -2
};

// Results of the requests that answer. REQUEST_NOT_CARRIED_OUT: the program is exiting or the
// worker has left its idle loop for good, so the request was never (or no longer) posted.
enum {
    REQUEST_DONE = 0,
    REQUEST_SLOT_IN_USE = 1,     // 9001
    REQUEST_SLOT_FREED = 2,      // 9003: the slot was freed before its load
    REQUEST_BAD_INDEX = 4,       // 9001: index outside 0..255
    REQUEST_NOT_CARRIED_OUT = -1
};

// Each requester's own completion, in its frame; the record points to it while the request
// is outstanding, so a nested request never takes the outer one's answer.
struct RequestCell {
    std::atomic<int> done;
    int result;
};

struct RequestChannel {
    std::atomic<int> code;      // 0, a pending request, REQ_FILLING or REQ_TAKEN
    RequestCell* cell;          // the requester's done and result
    int index;                  // image slot, text window slot, or number of input fields
    const char* title;          // borrowed: the requester waits until its request is done
    int x, y;                   // position (-1: automatic), or where a file's picture goes
    int width, height;          // size, or button columns and rows
    int zoom;                   // percent
    int bits;                   // 8 or 32
    Surface* bitmap;            // handed over to the worker, which frees it
    const char* file_name;      // borrowed
};
namespace pxk {
extern RequestChannel request_channel;
}  // namespace pxk
using pxk::request_channel;

// The work behind each request, on the worker thread, and the two questions the text window
// requester asks on the main thread. Registered before the worker starts; a null member makes
// its request complete without doing anything (a load then answers 1, not loaded).
struct RequestExecutors {
    int (*create_image)(int index, const char* title, int x, int y, int width, int height, int zoom, int bits);
    void (*redraw_image)(int index);
    int (*load_image_file)(int index, const char* file_name, int x, int y);
    void (*paste_bitmap)(Surface* bitmap);
    void (*open_text_window)(int index, int x, int y, int width, int height);
    void (*open_input_box)(int fields, int x, int y);
    void (*open_button_box)(int columns, int rows, int x, int y);
    void (*select_previous_image)(void);
    bool (*text_window_open)(int index);       // main thread: is it open?
    void (*raise_text_window)(int index);      // main thread: bring it to the front
};
void RegisterRequestExecutors(const RequestExecutors& executors);

// The requesters (main thread). Each sets only the fields of its request.
int RequestCreateImage(int index, const char* title, int width, int height, int bits);
void RequestRedrawImage(int index);
int RequestLoadImageFile(int index, const char* file_name);
void RequestPasteBitmap(Surface* bitmap);
void RequestOpenTextWindow(int index);
void RequestOpenInputBox(int fields);
void RequestOpenButtonBox(int columns, int rows);
void RequestSelectPreviousImage(void);

// Carries out the pending request (worker thread, idle loop).
void DispatchRequest(void);
// Serves the calling thread's queue until it is empty; a quit message stays in the queue.
void PumpMainMessages(void);
// Back to idle (program start).
void ResetRequestChannel(void);
