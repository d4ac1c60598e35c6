// Instance slots: at most ten programs run at once on one desktop, each holding one slot
// 0..9. A slot is an exclusive lock on a file named after the main window class
// ("pixkit_mw%d") and the desktop in the user's runtime folder, so two programs never share
// a slot, even when started at the same moment, and the system releases the slot when the
// process ends, however it ends. Each desktop (X display, or the headless screen) has its
// own ten slots.
#pragma once

enum {
    INSTANCE_SLOTS = 10,
    SLOT_ALL_TAKEN = -1,        // all ten slots of this desktop are held
    SLOT_FOLDER_UNUSABLE = -2   // the lock folder or a lock file cannot be used
};

// Claims the lowest free slot: 0..9, or one of the SLOT_ codes; for SLOT_FOLDER_UNUSABLE,
// why says what failed (one line, no newline).
int ClaimInstanceSlot(char* why, int size);
// Gives the slot back (the end of the process does the same).
void ReleaseInstanceSlot(void);
// The folder the slot locks live in: $XDG_RUNTIME_DIR, else /tmp/pixkit-<uid>.
void InstanceLockFolder(char* buf, int size);
// The desktop's part of the lock names: "headless", or the X display without its screen
// number, with ':', '.' and '/' made '_' (":0.0" -> "_0").
void InstanceDesktopName(char* buf, int size);
// Checks that a lock folder can be trusted: a real folder of this user that no one else
// may write to. 0 done; otherwise why says what is wrong.
int CheckLockFolder(const char* folder, char* why, int size);
