// Describing the boxes. Labels and button texts are read as the windows show them, so a
// renamed item is generated with the name the user gave it.
#include "boxes/box_description.h"

#include "boxes/box_windows.h"
#include "boxes/button_box.h"
#include "boxes/input_box.h"
#include "platform/window/window.h"
#include "runtime/shared_ops.h"
#include "runtime/window_description.h"

static int Clamped(int count, int max) { return count < 0 ? 0 : count > max ? max : count; }

// One title call with the text the window shows.
static void DescribeTitleCall(WindowDescription* out, const char* call, int index, WindowId window) {
    char text[DESCRIBED_TEXT_BYTES];
    PXK_GetWindowText(window, text, DESCRIBED_TEXT_BYTES);
    DescribeSource(out, "\t%s(%d,\"", call, index);
    DescribeSourceString(out, text);
    DescribeSource(out, "\");\n");
}

void DescribeInputBox(WindowDescription* out) {
    WindowId box = input_box.load(std::memory_order_acquire);
    if (!box) return;
    PlatPoint p = DescribedPosition(box);
    int count = Clamped(item_count.load(), INPUT_BOX_MAX_ITEMS);
    int label_width = isize.load(), edit_width = esize.load();
    DescribeReport(out, TONE_SECTION, "[Input Box]\n");
    DescribeReport(out, TONE_TEXT, " X:%d Y:%d ITEM:%d ISIZE:%d ESIZE:%d\n", p.x, p.y, count, label_width,
                   edit_width);
    DescribeSource(out, "\t// [Input Box]\n");
    DescribeSource(out, "\tPXK_OpenInputBox(%d,%d,%d);\n", SourceCoordinate(p.x), SourceCoordinate(p.y), count);
    DescribeSource(out, "\tPXK_ResizeInputBox(%d,%d);\n", label_width, edit_width);
    for (int i = 0; i < count; i++) DescribeTitleCall(out, "PXK_SetInputBoxTitle", i, item_label[i]);
}

void DescribeButtonBox(WindowDescription* out) {
    WindowId box = button_box.load(std::memory_order_acquire);
    if (!box) return;
    PlatPoint p = DescribedPosition(box);
    int nx = button_nx.load(), ny = button_ny.load();
    int count = Clamped(button_count.load(), BUTTON_BOX_MAX);
    PlatRect client{0, 0, 0, 0};
    PlatGetClientRect(box, &client);
    int width = client.right - client.left, height = client.bottom - client.top;
    DescribeReport(out, TONE_SECTION, "[Button Box]\n");
    DescribeReport(out, TONE_TEXT, " X:%d Y:%d NX:%d NY:%d SIZE:%dx%d\n", p.x, p.y, nx, ny, width, height);
    DescribeSource(out, "\t// [Button Box]\n");
    DescribeSource(out, "\tPXK_OpenButtonBox(%d,%d,%d,%d);\n", SourceCoordinate(p.x), SourceCoordinate(p.y), nx, ny);
    DescribeSource(out, "\tPXK_ResizeButtonBox(%d,%d);\n", width, height);
    for (int b = 0; b < count; b++) DescribeTitleCall(out, "PXK_SetButtonBoxTitle", b, button_hwnd[b]);
}
