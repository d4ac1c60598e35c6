// State the headless backend shares with its test driver.
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
