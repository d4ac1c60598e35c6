// Log files of the text windows. A window's output goes to its log while logging runs; the
// Exit command closes every log first, so nothing written is lost when the worker is ended.
#include "text_window.h"

#include <pxk.h>

#include <stdio.h>

void PXK_CloseAllLogs(void) {
    for (int id = 0; id < TEXT_WINDOW_COUNT; id++) {
        TextWindowRecord* rec = &text_windows[id];
        std::lock_guard<std::mutex> guard(rec->lock);
        if (rec->log_file) {
            fclose(rec->log_file);
            rec->log_file = nullptr;
        }
        rec->log_state = LOG_NONE;
    }
}
