// Stand-in used only until its owner's definition exists: this library is linked after the
// framework library, so a real definition anywhere in the framework always wins, and this
// weak one only fills the gap. Delete it once the real one has landed.
#include "runtime/window_rects.h"

__attribute__((weak)) int AppendImageWindowRects(PlatRect* out, int max) {
    (void)out;
    (void)max;
    return 0;
}
