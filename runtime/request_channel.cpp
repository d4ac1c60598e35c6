// The request channel. The requests themselves (creating images and windows for the main
// window's commands) are not served yet: a pending code is only cleared, so a requester
// waiting for the idle loop is released.
#include "request_channel.h"

RequestChannel request_channel{};

void DispatchRequest(void) { request_channel.code.store(REQ_NONE, std::memory_order_release); }
