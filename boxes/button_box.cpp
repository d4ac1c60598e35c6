// The button box's public operations: opening the grid, closing, button titles, reading press
// counts and setting the client size. All of them run on the worker thread, which owns the box.
#include "button_box.h"

#include "platform/controls/controls.h"
#include "platform/controls/dialog.h"
#include "platform/text.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/startup_state.h"

#include <stdio.h>

std::atomic<int> pxk::button_count{0};
std::atomic<int> pxk::button_nx{0};
std::atomic<int> pxk::button_ny{0};
std::atomic<int> pxk::button_w{98};
std::atomic<int> pxk::button_h{26};
WindowId pxk::button_hwnd[BUTTON_BOX_MAX];
int pxk::press_count[BUTTON_BOX_MAX];

static const uint32_t BOX_STYLE = STYLE_CAPTION | STYLE_SYSMENU | STYLE_SIZEFRAME;

static bool ValidButton(int i) {
    return button_box.load(std::memory_order_acquire) != 0 && i >= 0 && i < button_count.load();
}

// Places every button by the layout rule for the current button size.
void LayOutButtonBox(void) {
    int nx = button_nx.load(), n = button_count.load();
    int w = button_w.load(), h = button_h.load();
    for (int i = 0; i < n && nx > 0; i++) {
        int r = i / nx, c = i % nx;
        if (button_hwnd[i]) PlatMoveWindow(button_hwnd[i], c * (w + 4) + 4, r * (h + 4) + 4, w, h);
    }
}

void PXK_OpenButtonBox(int x, int y, int nx, int ny) {
    if (button_box.load(std::memory_order_acquire)) return;
    if (nx <= 0 || ny <= 0 || nx > BUTTON_BOX_MAX || ny > BUTTON_BOX_MAX || nx * ny > BUTTON_BOX_MAX) return;
    int w = button_w.load(), h = button_h.load();
    button_nx.store(nx);
    button_ny.store(ny);
    button_count.store(nx * ny);
    for (int i = 0; i < BUTTON_BOX_MAX; i++) button_hwnd[i] = 0;
    PlatRect r{0, 0, nx * (w + 4) + 4, ny * (h + 4) + 4};
    PlatAdjustWindowRect(&r, BOX_STYLE, 0, false);
    WindowCreate c{};
    c.class_name = "pxk_bb";
    c.text = u"ButtonBox";
    c.style = BOX_STYLE;   // shown once its buttons exist
    c.x = x;
    c.y = y;
    c.width = RectWidth(r);
    c.height = RectHeight(r);
    c.owner = main_window.load(std::memory_order_acquire);
    WindowId box = PlatCreateWindow(&c);
    if (!box) return;
    button_box.store(box, std::memory_order_release);
    for (int i = 0; i < nx * ny; i++) {
        int row = i / nx, col = i % nx;
        char16_t text[16];
        char narrow[16];
        snprintf(narrow, sizeof narrow, "%d", i);
        Utf8ToUtf16(narrow, -1, text, 16);
        WindowCreate b{};
        b.class_name = "BUTTON";
        b.text = text;
        b.style = (uint32_t)STYLE_CHILD | (uint32_t)STYLE_VISIBLE | BUTTON_MULTILINE;
        b.x = col * (w + 4) + 4;
        b.y = row * (h + 4) + 4;
        b.width = w;
        b.height = h;
        b.parent = box;
        b.id = BUTTON_ID_BASE + i;
        button_hwnd[i] = PlatCreateWindow(&b);
        press_count[i] = 0;
    }
    PlatShowWindow(box, SHOW_NORMAL);
    PlatUpdateWindow(box);
    PlatSetForegroundWindow(box);
}

void PXK_CloseButtonBox(void) {
    WindowId box = button_box.load(std::memory_order_acquire);
    if (!box) return;
    if (PlatDestroyWindow(box) != 0)
        PlatMessageBox(main_window.load(std::memory_order_acquire), u"DestroyWindow[BB] error", u"PIXKIT error!",
                       MBOX_ICONERROR);
    for (int i = 0; i < BUTTON_BOX_MAX; i++) button_hwnd[i] = 0;
    button_box.store(0, std::memory_order_release);
}

int PXK_GetButtonPress(int i) {
    if (!ValidButton(i)) return 0;
    int n = press_count[i];
    press_count[i] = 0;
    return n;
}

void PXK_SetButtonBoxTitle(int i, const char* text) {
    if (!ValidButton(i) || !button_hwnd[i]) return;
    char16_t wide[256];
    Utf8ToUtf16(text ? text : "", -1, wide, 256);
    PlatSetWindowText(button_hwnd[i], wide);
}

void PXK_ResizeButtonBox(int width, int height) {
    WindowId box = button_box.load(std::memory_order_acquire);
    if (!box) return;
    PlatRect r{0, 0, width < 0 ? 0 : width, height < 0 ? 0 : height};
    PlatAdjustWindowRect(&r, BOX_STYLE, 0, false);
    // The size message that follows lays the buttons out.
    PlatSetWindowPos(box, 0, 0, RectWidth(r), RectHeight(r), MOVE_NOMOVE | MOVE_NOZORDER);
}
