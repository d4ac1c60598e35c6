// What the headless backend exposes to the test driver (platform/driver/): the count of
// presented windows, the screen it simulates and the clipboard's offered types. This is the
// only header of the backend the driver includes; the backend itself knows nothing of the
// driver.
#pragma once

#include "../backends.h"

#include <atomic>
#include <stdint.h>
#include <string>
#include <vector>

namespace pxk {
extern std::atomic<uint64_t> g_headless_presents;
}  // namespace pxk
using pxk::g_headless_presents;

// The types the clipboard offers now, in the order they were offered.
std::vector<std::string> HeadlessClipboardTypes(void);
