// The request channel from the main window to the worker's idle loop. The main window's
// commands that create windows fill it and set a request code; the worker carries the
// request out while it is idle and clears the code.
#pragma once

#include <atomic>

enum {
    REQ_NONE = 0,
    REQ_CREATE_IMAGE = 9001,
    REQ_OPEN_BUTTON_BOX = 9007
};

struct RequestChannel {
    std::atomic<int> code;   // 0, or the pending request
};
extern RequestChannel request_channel;

// Carries out the pending request on the worker thread and clears the code.
void DispatchRequest(void);
