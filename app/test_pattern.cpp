// The test-pattern application (placeholder until the application lands).
#include <pxk.h>

void UserSetup(void) {}
void UserMain(void) {
    for (;;) PXK_PumpMessages();
}
