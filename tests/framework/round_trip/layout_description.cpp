// One line per window with everything the generated calls must reproduce.
#include "layout_description.h"

#include "boxes/box_windows.h"
#include "boxes/button_box.h"
#include "boxes/input_box.h"
#include "imagewin/image_table.h"
#include "platform/window/window.h"
#include "runtime/shared_ops.h"
#include "textwin/text_window.h"

static std::string Outer(WindowId window) {
    PlatRect r{0, 0, 0, 0};
    PlatGetWindowRect(window, &r);
    return " at " + std::to_string(r.left) + "," + std::to_string(r.top) + " outer " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

static std::string Client(WindowId window) {
    PlatRect r{0, 0, 0, 0};
    PlatGetClientRect(window, &r);
    return " client " + std::to_string(r.right) + "x" + std::to_string(r.bottom);
}

static std::string TextOf(WindowId window) {
    char text[256] = {0};
    PXK_GetWindowText(window, text, sizeof text);
    return std::string(" '") + text + "'";
}

static std::string DescribeImages(void) {
    std::string d;
    for (int i = 0; i < IMAGE_SLOTS; i++) {
        const ImageRecord& r = image_table[i];
        if (!r.in_use.load()) continue;
        d += "image " + std::to_string(i) + " bits " + std::to_string(r.bits) + " fit " + std::to_string(r.fit_screen) +
             " size " + std::to_string(r.width) + "x" + std::to_string(r.height) + " zoom " + std::to_string(r.zoom) +
             Outer(r.window) + Client(r.window) + " title '" + r.title + "'" + TextOf(r.window) + "\n";
    }
    return d;
}

static std::string DescribeTextWindows(void) {
    std::string d;
    for (int id = 0; id < TEXT_WINDOW_COUNT; id++) {
        WindowId w = text_windows[id].hwnd.load();
        if (text_windows[id].is_open.load()) d += "text " + std::to_string(id) + Outer(w) + Client(w) + "\n";
    }
    return d;
}

static std::string DescribeBoxes(void) {
    std::string d;
    if (WindowId box = input_box.load()) {
        d += "input" + Outer(box) + Client(box) + " items " + std::to_string(item_count.load()) + " isize " +
             std::to_string(isize.load()) + " esize " + std::to_string(esize.load()) + "\n";
        for (int i = 0; i < item_count.load(); i++) d += " label" + TextOf(item_label[i]) + "\n";
    }
    if (WindowId box = button_box.load()) {
        d += "buttons" + Outer(box) + Client(box) + " grid " + std::to_string(button_nx.load()) + "x" +
             std::to_string(button_ny.load()) + "\n";
        for (int b = 0; b < button_count.load(); b++) d += " button" + TextOf(button_hwnd[b]) + "\n";
    }
    return d;
}

std::string DescribeLayout(void) { return DescribeImages() + DescribeTextWindows() + DescribeBoxes(); }
