// The two box windows, shared with the message pumps.
#include "box_windows.h"

std::atomic<WindowId> pxk::input_box{0};
std::atomic<WindowId> pxk::button_box{0};
