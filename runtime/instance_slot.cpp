// Instance slots held as exclusive flock locks on files named after the main window class.
// flock belongs to the open file, so a second program in the same process (a test harness
// starting the program again) is refused as a second process would be.
#include "instance_slot.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

static int g_slot_fd = -1;

void InstanceLockFolder(char* buf, int size) {
    if (!buf || size <= 0) return;
    const char* xdg = getenv("XDG_RUNTIME_DIR");
    if (xdg && xdg[0]) snprintf(buf, (size_t)size, "%s", xdg);
    else snprintf(buf, (size_t)size, "/tmp/pixkit-%u", (unsigned)getuid());
}

int ClaimInstanceSlot(void) {
    char folder[512];
    InstanceLockFolder(folder, sizeof folder);
    // Our own folder under /tmp may not exist yet; the runtime folder always does.
    if (mkdir(folder, 0700) != 0 && errno != EEXIST) return -1;
    for (int n = 0; n < INSTANCE_SLOTS; n++) {
        char path[600];
        snprintf(path, sizeof path, "%s/pixkit_mw%d", folder, n);
        int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) continue;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            g_slot_fd = fd;
            return n;
        }
        close(fd);
    }
    return -1;
}

void ReleaseInstanceSlot(void) {
    if (g_slot_fd >= 0) {
        close(g_slot_fd);
        g_slot_fd = -1;
    }
}
