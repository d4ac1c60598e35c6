// Instance slots held as exclusive flock locks on files named after the main window class
// and the desktop. flock belongs to the open file, so a second program in the same process
// (a test harness starting the program again) is refused as a second process would be.
//
// The lock folder must belong to the user and be closed to others: in a folder that another
// user can write, that user could hold all ten locks (or plant links) and keep us from
// starting.
#include "instance_slot.h"

#include "platform/backend.h"

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

void InstanceDesktopName(char* buf, int size) {
    if (!buf || size <= 0) return;
    const Backend* backend = PlatBackend();
    const char* display = getenv("DISPLAY");
    bool headless = backend && backend->name && strcmp(backend->name, "headless") == 0;
    if (headless || !display || !display[0]) display = "headless";
    snprintf(buf, (size_t)size, "%s", display);
    // ":0" and ":0.0" are one desktop: the screen number after the display number goes.
    char* colon = strrchr(buf, ':');
    char* dot = colon ? strchr(colon, '.') : nullptr;
    if (dot) *dot = 0;
    for (char* p = buf; *p; p++)
        if (*p == ':' || *p == '.' || *p == '/') *p = '_';
}

int CheckLockFolder(const char* folder, char* why, int size) {
    struct stat st;
    if (lstat(folder, &st) != 0) {
        snprintf(why, (size_t)size, "the lock folder %s cannot be used (%s)", folder, strerror(errno));
        return 1;
    }
    if (!S_ISDIR(st.st_mode)) {
        snprintf(why, (size_t)size, "the lock folder %s is not a folder", folder);
        return 1;
    }
    if (st.st_uid != getuid()) {
        snprintf(why, (size_t)size, "the lock folder %s belongs to another user", folder);
        return 1;
    }
    if (st.st_mode & (S_IWGRP | S_IWOTH)) {
        snprintf(why, (size_t)size, "the lock folder %s is writable by others", folder);
        return 1;
    }
    return 0;
}

int ClaimInstanceSlot(char* why, int size) {
    char folder[512];
    InstanceLockFolder(folder, sizeof folder);
    // Our own folder under /tmp may not exist yet; the runtime folder always does.
    if (mkdir(folder, 0700) != 0 && errno != EEXIST) {
        snprintf(why, (size_t)size, "the lock folder %s cannot be made (%s)", folder, strerror(errno));
        return SLOT_FOLDER_UNUSABLE;
    }
    if (CheckLockFolder(folder, why, size) != 0) return SLOT_FOLDER_UNUSABLE;
    char desktop[128];
    InstanceDesktopName(desktop, sizeof desktop);
    for (int n = 0; n < INSTANCE_SLOTS; n++) {
        char path[700];
        snprintf(path, sizeof path, "%s/pixkit_mw%d-%s", folder, n, desktop);
        int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            snprintf(why, (size_t)size, "the lock file %s cannot be opened (%s)", path, strerror(errno));
            return SLOT_FOLDER_UNUSABLE;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            g_slot_fd = fd;
            return n;
        }
        close(fd);
    }
    return SLOT_ALL_TAKEN;
}

void ReleaseInstanceSlot(void) {
    if (g_slot_fd >= 0) {
        close(g_slot_fd);
        g_slot_fd = -1;
    }
}
