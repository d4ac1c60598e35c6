// The two box windows, shared with the message pumps.
#include "box_windows.h"

std::atomic<WindowId> input_box{0};
std::atomic<WindowId> button_box{0};
