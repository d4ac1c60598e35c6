// The clipboard, carried by the backend: a desktop selection on X11, memory when headless.
#include "clipboard.h"
#include "backend.h"

int PlatSetClipboard(int format, const void* data, size_t size) {
    const Backend* be = PlatBackend();
    if (!be || !be->set_clipboard) return 1;
    const uint8_t* bytes = (const uint8_t*)data;
    return be->set_clipboard(&format, &bytes, &size, 1);
}

uint8_t* PlatGetClipboard(int format, size_t* size) {
    const Backend* be = PlatBackend();
    if (!be || !be->get_clipboard) return nullptr;
    return be->get_clipboard(format, size);
}
