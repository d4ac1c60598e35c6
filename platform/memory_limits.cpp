// Memory limits: the system's available memory, the address-space limit and the control
// groups' room, read where the system publishes them.
#include "platform/memory_limits.h"

#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

#include <string>

int FitsInMemory(uint64_t live_bytes, uint64_t new_bytes, const MemoryLimits& limits) {
    const uint64_t limit = limits.available < limits.cgroup_room ? limits.available : limits.cgroup_room;
    return new_bytes <= limit && live_bytes <= limit - new_bytes;
}

// The first number in a file (a control-group value); false when the file is missing or
// holds no number ("max" in cgroup v2 means no limit).
static bool ReadNumberFile(const std::string& path, uint64_t* value) {
    FILE* f = fopen(path.c_str(), "r");
    if (!f) return false;
    unsigned long long v = 0;
    const bool ok = fscanf(f, "%llu", &v) == 1;
    fclose(f);
    if (ok) *value = v;
    return ok;
}

static uint64_t ReadMemAvailable(void) {
    FILE* f = fopen("/proc/meminfo", "r");
    if (!f) return UINT64_MAX;
    uint64_t bytes = UINT64_MAX;
    char line[256];
    unsigned long long kb = 0;
    while (fgets(line, sizeof line, f))
        if (sscanf(line, "MemAvailable: %llu kB", &kb) == 1) {
            bytes = kb > UINT64_MAX / 1024 ? UINT64_MAX : (uint64_t)kb * 1024;
            break;
        }
    fclose(f);
    return bytes;
}

// The process's group in one hierarchy of /proc/self/cgroup: "0::" for v2, or the v1 line
// whose controller list holds "memory". Empty when there is none.
static std::string OwnGroup(bool v2) {
    FILE* f = fopen("/proc/self/cgroup", "r");
    if (!f) return std::string();
    std::string group;
    char line[4096];
    while (fgets(line, sizeof line, f)) {
        line[strcspn(line, "\n")] = 0;
        char* controllers = strchr(line, ':');
        char* path = controllers ? strchr(controllers + 1, ':') : nullptr;
        if (!path) continue;
        *path++ = 0;
        *controllers++ = 0;
        const bool match = v2 ? (strcmp(line, "0") == 0 && *controllers == 0)
                              : (strcmp(controllers, "memory") == 0 || strstr(controllers, "memory,") ||
                                 strstr(controllers, ",memory"));
        if (match) {
            group = path;
            break;
        }
    }
    fclose(f);
    return group;
}

// The least room (limit less use) of a group and every group above it, under root.
static uint64_t GroupRoom(const std::string& root, std::string group, const char* limit_file,
                          const char* use_file) {
    uint64_t room = UINT64_MAX;
    for (;;) {
        const std::string dir = root + group;
        uint64_t limit = 0, use = 0;
        if (ReadNumberFile(dir + "/" + limit_file, &limit) && ReadNumberFile(dir + "/" + use_file, &use)) {
            const uint64_t here = limit > use ? limit - use : 0;
            if (here < room) room = here;
        }
        if (group.empty() || group == "/") break;
        const size_t slash = group.find_last_of('/');
        group = slash == std::string::npos ? std::string() : group.substr(0, slash);
    }
    return room;
}

// Bytes the address-space limit still lets the process map; UINT64_MAX without a limit.
static uint64_t AddressSpaceRoom(void) {
    struct rlimit limit;
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return UINT64_MAX;
    FILE* f = fopen("/proc/self/statm", "r");
    unsigned long long pages = 0;
    const bool ok = f && fscanf(f, "%llu", &pages) == 1;
    if (f) fclose(f);
    if (!ok) return UINT64_MAX;
    const uint64_t used = (uint64_t)pages * (uint64_t)sysconf(_SC_PAGESIZE);
    return limit.rlim_cur > used ? (uint64_t)limit.rlim_cur - used : 0;
}

MemoryLimits ReadMemoryLimits(void) {
    MemoryLimits limits;
    const uint64_t address_room = AddressSpaceRoom();
    limits.available = ReadMemAvailable();
    if (address_room < limits.available) limits.available = address_room;
    const uint64_t v2 = GroupRoom("/sys/fs/cgroup", OwnGroup(true), "memory.max", "memory.current");
    const uint64_t v1 = GroupRoom("/sys/fs/cgroup/memory", OwnGroup(false), "memory.limit_in_bytes",
                                  "memory.usage_in_bytes");
    limits.cgroup_room = v2 < v1 ? v2 : v1;
    return limits;
}

uint64_t MemoryRoom(void) {
    const MemoryLimits l = ReadMemoryLimits();
    return l.available < l.cgroup_room ? l.available : l.cgroup_room;
}
