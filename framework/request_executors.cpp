// The executors of the request channel. They run on the worker thread in its idle loop, so
// they call the image store, the text windows and the boxes directly, as a user program
// would; only the two text-window questions of the requester run on the main thread.
#include "request_executors.h"

#include "boxes/box_windows.h"
#include "boxes/button_box.h"
#include "imagewin/image_table.h"
#include "platform/draw/surface.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/request_channel.h"
#include "textwin/text_window.h"

#include <string.h>

static int CreateImage(int index, const char* title, int x, int y, int width, int height, int zoom, int bits) {
    return PXK_CreateImageEx(index, title, x, y, width, height, zoom, bits, 1);
}

static void RedrawImage(int index) { PXK_RedrawImage(index); }

// A slot freed since the image was created answers 2: nothing is loaded and the history,
// which the failed selection did not push, is not popped.
static int LoadImageFile(int index, const char* file_name, int x, int y) {
    if (PXK_SelectImage(index) != 0) return REQUEST_SLOT_FREED;
    int rc = PXK_LoadImageFile(file_name, x, y);
    PXK_SelectPreviousImage();
    return rc;
}

static uint32_t SourcePixel(const Surface* s, int x, int y) {
    const uint8_t* row = SurfaceRow(s, y);
    if (s->bits == 32) return ((const uint32_t*)row)[x];
    return s->palette[row[x]];
}

void PasteBitmapIntoCurrentImage(Surface* bitmap) {
    if (!bitmap) return;
    ImageRecord* r = CurrentImageRecord();
    if (r->in_use.load(std::memory_order_acquire) && r->bits == 32) {
        int w = bitmap->width < r->width ? bitmap->width : r->width;
        int h = bitmap->height < r->height ? bitmap->height : r->height;
        for (int y = 0; y < h; y++) {
            uint32_t* dst = (uint32_t*)SurfaceRow(r->dib, y);
            for (int x = 0; x < w; x++) dst[x] = SourcePixel(bitmap, x, y) & 0xFFFFFFu;
        }
    }
    PlatDestroySurface(bitmap);
}

static void OpenTextWindow(int index, int x, int y, int width, int height) {
    PXK_OpenTextWindow(index, x, y, width, height);
}

static void OpenInputBox(int fields, int x, int y) {
    if (input_box.load(std::memory_order_acquire)) PXK_CloseInputBox();
    PXK_OpenInputBox(x, y, fields);
}

// A grid the button box would refuse leaves the old box in place.
static void OpenButtonBox(int columns, int rows, int x, int y) {
    if (columns <= 0 || rows <= 0 || columns > BUTTON_BOX_MAX || rows > BUTTON_BOX_MAX ||
        columns * rows > BUTTON_BOX_MAX)
        return;
    if (button_box.load(std::memory_order_acquire)) PXK_CloseButtonBox();
    PXK_OpenButtonBox(x, y, columns, rows);
}

static void SelectPreviousImage(void) { PXK_SelectPreviousImage(); }

static bool TextWindowOpen(int index) {
    return index >= 0 && index < TEXT_WINDOW_COUNT && text_windows[index].is_open.load(std::memory_order_acquire);
}

static void RaiseTextWindow(int index) {
    PlatSetForegroundWindow(text_windows[index].hwnd.load(std::memory_order_acquire));
}

void RegisterRequestWork(void) {
    RequestExecutors e{};
    e.create_image = CreateImage;
    e.redraw_image = RedrawImage;
    e.load_image_file = LoadImageFile;
    e.paste_bitmap = PasteBitmapIntoCurrentImage;
    e.open_text_window = OpenTextWindow;
    e.open_input_box = OpenInputBox;
    e.open_button_box = OpenButtonBox;
    e.select_previous_image = SelectPreviousImage;
    e.text_window_open = TextWindowOpen;
    e.raise_text_window = RaiseTextWindow;
    RegisterRequestExecutors(e);
}
