// Instance slots: at most ten programs run at once, each holding one slot 0..9. A slot is an
// exclusive lock on a file named after the main window class ("pixkit_mw%d") in the user's
// runtime folder, so two programs never share a slot, even when started at the same moment,
// and the system releases the slot when the process ends, however it ends.
#pragma once

enum { INSTANCE_SLOTS = 10 };

// Claims the lowest free slot: 0..9, or -1 when all ten are taken (or no lock can be made).
int ClaimInstanceSlot(void);
// Gives the slot back (the end of the process does the same).
void ReleaseInstanceSlot(void);
// The folder the slot locks live in: $XDG_RUNTIME_DIR, else /tmp/pixkit-<uid>.
void InstanceLockFolder(char* buf, int size);
