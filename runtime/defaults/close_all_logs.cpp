// Stand-in used only until its owner's definition exists: this library is linked after the
// framework library, so a real definition anywhere in the framework always wins, and this
// weak one only fills the gap. Delete it once the real one has landed.
// Exit closes the log files of the text windows through this call.
extern "C" __attribute__((weak)) void PXK_CloseAllLogs(void) {}
