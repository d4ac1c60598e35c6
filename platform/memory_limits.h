// What memory remains for large buffers: the system's available memory, the room the
// process's control groups leave and the room its address-space limit leaves. Pixel buffers
// and decoders' buffers are reserved lazily by the system, so a buffer that does not fit would
// be "made" and the process killed later, at the first touch of its pages; their makers
// therefore count them against these limits first.
#pragma once

#include <stdint.h>

// What memory remains, in bytes; UINT64_MAX where a source is missing or sets no limit.
struct MemoryLimits {
    uint64_t available;     // the system's available memory (MemAvailable), or less when the
                            // address-space limit (RLIMIT_AS) leaves less room
    uint64_t cgroup_room;   // the tightest control-group limit less that group's use
};

// 1 when live_bytes + new_bytes fit within both limits, 0 otherwise (overflow included).
int FitsInMemory(uint64_t live_bytes, uint64_t new_bytes, const MemoryLimits& limits);
// Reads the limits from /proc/meminfo, the address-space limit and the control groups (v2
// memory.max less memory.current, v1 memory.limit_in_bytes less memory.usage_in_bytes), taking
// the tightest of the process's group and every group above it.
MemoryLimits ReadMemoryLimits(void);
// The tighter of the two limits read now.
uint64_t MemoryRoom(void);
