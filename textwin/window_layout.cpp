// Taking the snapshot of the framework's windows. Positions are the outer rectangles on the
// screen; texts of labels and buttons are read as the windows show them, at most 255 bytes.
#include "textwin/window_layout.h"
#include "platform/layer_mutex.h"

#include "boxes/box_windows.h"
#include "boxes/button_box.h"
#include "boxes/input_box.h"
#include "platform/window/window.h"
#include "runtime/shared_ops.h"

#include <stdlib.h>
#include <string.h>

static PlatPoint OuterTopLeft(WindowId window) {
    PlatRect r{0, 0, 0, 0};
    PlatGetWindowRect(window, &r);
    return PlatPoint{r.left, r.top};
}

static bool CollectImages(WindowLayout* layout) {
    for (int i = 0; i < IMAGE_SLOTS; i++) {
        const ImageRecord& r = image_table[i];
        if (!r.in_use.load(std::memory_order_acquire)) continue;
        ImageLayout& out = layout->images[layout->image_count++];
        PlatPoint p = OuterTopLeft(r.window);
        out = ImageLayout{i, r.bits, r.fit_screen, p.x, p.y, r.width, r.height, r.zoom, nullptr};
        out.title = strdup(r.title ? r.title : "");
        if (!out.title) return false;
    }
    return true;
}

static void CollectTextWindows(WindowLayout* layout) {
    for (int id = 0; id < TEXT_WINDOW_COUNT; id++) {
        TextWindowRecord* rec = OpenTextWindowRecord(id);
        if (!rec) continue;
        TextLayout& out = layout->texts[layout->text_count++];
        PlatPoint p = OuterTopLeft(rec->hwnd.load());
        std::lock_guard<LayerMutex> guard(rec->lock);
        out = TextLayout{id, p.x, p.y, rec->width, rec->height};
    }
}

static void CollectInputBox(WindowLayout* layout) {
    WindowId box = input_box.load(std::memory_order_acquire);
    if (!box) return;
    layout->has_input_box = true;
    PlatPoint p = OuterTopLeft(box);
    layout->input_x = p.x;
    layout->input_y = p.y;
    int count = item_count.load();
    layout->item_count = count < 0 ? 0 : count > LAYOUT_MAX_ITEMS ? LAYOUT_MAX_ITEMS : count;
    layout->isize = isize.load();
    layout->esize = esize.load();
    for (int i = 0; i < layout->item_count; i++)
        PXK_GetWindowText(item_label[i], layout->labels[i], LAYOUT_TEXT_BYTES);
}

static void CollectButtonBox(WindowLayout* layout) {
    WindowId box = button_box.load(std::memory_order_acquire);
    if (!box) return;
    layout->has_button_box = true;
    PlatPoint p = OuterTopLeft(box);
    layout->button_x = p.x;
    layout->button_y = p.y;
    layout->button_nx = button_nx.load();
    layout->button_ny = button_ny.load();
    int count = button_count.load();
    layout->button_count = count < 0 ? 0 : count > LAYOUT_MAX_BUTTONS ? LAYOUT_MAX_BUTTONS : count;
    PlatRect client{0, 0, 0, 0};
    PlatGetClientRect(box, &client);
    layout->box_width = client.right - client.left;
    layout->box_height = client.bottom - client.top;
    for (int b = 0; b < layout->button_count; b++)
        PXK_GetWindowText(button_hwnd[b], layout->buttons[b], LAYOUT_TEXT_BYTES);
}

WindowLayout* CollectWindowLayout(void) {
    WindowLayout* layout = (WindowLayout*)calloc(1, sizeof(WindowLayout));
    if (!layout) return nullptr;
    if (!CollectImages(layout)) {
        FreeWindowLayout(layout);
        return nullptr;
    }
    CollectTextWindows(layout);
    CollectInputBox(layout);
    CollectButtonBox(layout);
    return layout;
}

void FreeWindowLayout(WindowLayout* layout) {
    if (!layout) return;
    for (int i = 0; i < layout->image_count; i++) free(layout->images[i].title);
    free(layout);
}
