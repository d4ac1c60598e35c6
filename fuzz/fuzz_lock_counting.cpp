// The clipboard's fuzz target runs the surfaces' pixel memory on one thread, which is never
// stopped: the counting of held locks that keeps the two-thread program from parking a worker
// inside a lock (platform/system.cpp) has nothing to guard here, and system.cpp would bring the
// whole window layer with it. The codec's targets need none of it.
#include "platform/system.h"

void PlatNoteLockTaken(void) {}
void PlatNoteLockReleased(void) {}
