// The UserMain of the program built from generated source: it writes the description of the
// layout the generated UserSetup made to the file named by PIXKIT_LAYOUT_OUT and exits.
#include "layout_description.h"

#include "platform/window/window.h"
#include "runtime/main_window.h"
#include "runtime/startup_state.h"

#include <pxk.h>

#include <stdio.h>
#include <stdlib.h>

void UserMain(void) {
    std::string description = DescribeLayout();
    const char* path = getenv("PIXKIT_LAYOUT_OUT");
    if (FILE* f = path ? fopen(path, "wb") : nullptr) {
        fwrite(description.data(), 1, description.size(), f);
        fclose(f);
    }
    PlatPostMessage(main_window.load(), MSG_COMMAND, (uintptr_t)MakeParam(CMD_EXIT, 0), 0);
}
