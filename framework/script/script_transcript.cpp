// The text windows' output copies. The text window code hands each piece of output over with
// the window's lock held; a lock of our own keeps the copies for the script's thread.
#include "script_transcript.h"
#include "platform/layer_mutex.h"

#include "textwin/text_window.h"

#include <mutex>

static LayerMutex g_copies_lock;
static std::string g_copies[TEXT_WINDOW_COUNT];

static void KeepOutput(int id, const char* text, size_t len, bool line_end) {
    if (id < 0 || id >= TEXT_WINDOW_COUNT) return;
    std::lock_guard<LayerMutex> guard(g_copies_lock);
    g_copies[id].append(text, len);
    if (line_end) g_copies[id] += '\n';
}

void StartTextCopies(void) { text_output_copy = KeepOutput; }

std::string TextCopy(int id) {
    if (id < 0 || id >= TEXT_WINDOW_COUNT) return std::string();
    std::lock_guard<LayerMutex> guard(g_copies_lock);
    return g_copies[id];
}
