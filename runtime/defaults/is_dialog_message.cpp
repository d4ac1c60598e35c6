// Stand-in used only until its owner's definition exists: this library is linked after the
// framework library, so a real definition anywhere in the framework always wins, and this
// weak one only fills the gap. Delete it once the real one has landed.
#include "platform/controls.h"

__attribute__((weak)) bool PlatIsDialogMessage(WindowId box, const Message* msg) {
    (void)box;
    (void)msg;
    return false;
}
