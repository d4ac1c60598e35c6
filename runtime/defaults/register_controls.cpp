// Stand-in used only until its owner's definition exists: this library is linked after the
// framework library, so a real definition anywhere in the framework always wins, and this
// weak one only fills the gap. Delete it once the real one has landed.
#include "platform/controls.h"

// Without the standard controls no "STATIC", "EDIT" or "BUTTON" window can be created.
__attribute__((weak)) void PlatRegisterControls(void) {}
