// Whether the pixels of a new image can be held in memory. Pixel buffers are reserved
// lazily by the system, so an image that does not fit would be "made" and the process killed
// later, at the first drawing that touches its pages. Creation therefore counts the buffers
// of all live images together with the new one against what the machine and the process's
// control group still have.
#pragma once

#include <stdint.h>

// What memory remains, in bytes; UINT64_MAX where a source is missing or sets no limit.
struct MemoryLimits {
    uint64_t available;     // the system's available memory (MemAvailable)
    uint64_t cgroup_room;   // the tightest control-group limit less that group's use
};

// 1 when live_bytes + new_bytes fit within both limits, 0 otherwise (overflow included).
int FitsInMemory(uint64_t live_bytes, uint64_t new_bytes, const MemoryLimits& limits);
// Reads the limits from /proc/meminfo and the control groups (v2 memory.max less
// memory.current, v1 memory.limit_in_bytes less memory.usage_in_bytes), taking the tightest
// of the process's group and every group above it.
MemoryLimits ReadMemoryLimits(void);
// Bytes of a pixel buffer: height rows of 4 * width (32 bits) or width padded to 4 (8 bits).
uint64_t ImageBufferBytes(int width, int height, int bits);
// Bytes of the pixel buffers of every image in use.
uint64_t LiveImageBytes(void);
