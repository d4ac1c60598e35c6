// The Information commands: the pixel report in seven colour models, the row profiles with
// their curves and labels, and the row and area chroma plots. A graph window is 32-bit,
// placed at the top-left of the screen in the lowest free slot, and becomes the current
// image; it is drawn with the routines of color_profiles.h.
#include "imaging/pixel_info.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "imagewin/image_table.h"
#include "raster/color_models.h"
#include "imaging/color_profiles.h"
#include "platform/window/window.h"
#include "pxk.h"

namespace {

// The image in slot index when it is in use with this depth, else null.
const ImageRecord* SourceImage(int index, int bits) {
    if ((unsigned)index >= IMAGE_SLOTS) return nullptr;
    const ImageRecord* r = &image_table[index];
    if (!r->in_use.load(std::memory_order_acquire) || r->bits != bits) return nullptr;
    return r;
}

// Creates a 32-bit graph window at (0, 0), zoom 100, in the lowest slot that takes it, and
// returns the slot, or -1. Only a slot in use sends the search on: any other refusal (the
// size cannot fit, no memory) would be the same in every slot.
int CreateGraphWindow(const char* title, int width, int height) {
    for (int i = 0; i < IMAGE_SLOTS; i++) {
        const int code = PXK_CreateImageEx(i, title, 0, 0, width, height, 100, 32, 1);
        if (code == 0) return i;
        if (code != 1) return -1;
    }
    return -1;
}

void InvalidateImage(int index) { PlatInvalidateRect(image_table[index].window, nullptr, false); }

void SayNoMemory(const char* what) {
    PXK_ShowTextWindow();
    PXK_Printf("Not enough memory for the %s.\n", what);
}

// ---- Row profiles -------------------------------------------------------------------------

struct ProfileCurve {
    int selector;   // 0: no curve
    PXK_Color color;
};

struct ProfileLabel {
    const char* text;   // null: no label
    int x, y;           // text cursor (x is also the margin; y is the row below the glyphs)
    PXK_Color color;
};

struct ProfileKind {
    const char* title;   // formatted with the row
    int x_offset;        // columns left of the curves, for the labels
    int source_bits;
    ProfileCurve curves[3];
    ProfileLabel labels[3];
};

const ProfileKind RGB_PROFILE = {
    "RGB(Y=%d)", 12, 32,
    {{0x81, 0xFF0000}, {0x82, 0x00FF00}, {0x84, 0x0000FF}},
    {{"R", 2, 40, 0xFF0000}, {"G", 2, 72, 0x00FF00}, {"B", 2, 104, 0x0000FF}}};
const ProfileKind HSV_PROFILE = {
    "HSV(Y=%d)", 12, 32,
    {{0x88, 0xFFFF00}, {0x90, 0xFF00FF}, {0xA0, 0x00FFFF}},
    {{"H", 2, 40, 0xFFFF00}, {"S", 2, 72, 0xFF00FF}, {"V", 2, 104, 0x00FFFF}}};
const ProfileKind YCRCB_PROFILE = {
    "YCrCb(Y=%d)", 20, 32,
    {{0x180, 0xFFFFFF}, {0x280, 0xFF8888}, {0x480, 0x8888FF}},
    {{"Y", 4, 40, 0xFFFFFF}, {"Cr", 2, 72, 0xFF8888}, {"Cb", 2, 104, 0x8888FF}}};
const ProfileKind LUMINANCE_PROFILE = {
    "Luminance(Y=%d)", 12, 8, {{0x1080, 0xFFFFFF}}, {{"L", 2, 40, 0xFFFFFF}}};

// Asks for a row of the image and reads it into a zeroed buffer (words from a 32-bit image,
// bytes from an 8-bit one), before any new window becomes current. Null when the tool ended
// without a row or the buffer could not be had.
void* PickRow(int index, int bits, int* row) {
    const ImageRecord* r = SourceImage(index, bits);
    if (!r) return nullptr;
    int x = 0;
    if (PXK_GetRowPoint(index, &x, row) != PXK_TOOL_DONE) return nullptr;
    void* buffer = calloc((size_t)r->width, bits == 32 ? 4 : 1);
    if (!buffer) {
        SayNoMemory("row");
        return nullptr;
    }
    ReadImageRow(buffer, *row, r->width);
    return buffer;
}

void RunRowProfile(int index, const ProfileKind& kind) {
    int y = 0;
    void* buffer = PickRow(index, kind.source_bits, &y);
    if (!buffer) return;
    const int width = image_table[index].width;
    char title[64];
    snprintf(title, sizeof title, kind.title, y);
    const int graph = CreateGraphWindow(title, width + kind.x_offset, PROFILE_HEIGHT);
    if (graph >= 0) {
        for (const ProfileCurve& c : kind.curves)
            if (c.selector) PlotProfile(buffer, kind.x_offset, width, c.selector, c.color);
        for (const ProfileLabel& l : kind.labels) {
            if (!l.text) continue;
            PXK_SetTextPos(l.x, l.y);
            PXK_SetTextColor(l.color);
            PXK_PutString(l.text);
        }
        InvalidateImage(graph);
    }
    free(buffer);
}

}  // namespace

// ---- Pixel report ---------------------------------------------------------------------------

void ShowPixelInfo(WindowId, int index) {
    int x = 0, y = 0;
    if (PXK_GetPoint(index, &x, &y) != PXK_TOOL_DONE) return;
    const PXK_Color value = PXK_GetPixel(x, y);
    const bool bytes = image_table[index].bits == 8;
    PXK_ShowTextWindow();
    PXK_Printf("(X,Y)=(%d,%d)\n", x, y);
    if (bytes) {
        PXK_Printf("(Luminance)=(%d)\n\n", (int)value);
        return;
    }
    const int r = ColorRed(value), g = ColorGreen(value), b = ColorBlue(value);
    int h = 0, s = 0, v = 0;
    PXK_RGBtoHSV(value, &h, &s, &v);
    ColorModels m;
    ComputeColorModels(r, g, b, &m);
    PXK_Printf("(R,G,B)=(%d,%d,%d)\n", r, g, b);
    PXK_Printf("(H,S,V)=(%d,%d,%d)\n", h, s, v);
    PXK_Printf("(Y,Cr,Cb)=(%d,%d,%d)\n", m.y, m.cr, m.cb);
    PXK_Printf("(Y,u,v)=(%d,%d,%d)\n", m.y, m.u, m.v);
    PXK_Printf("(Y,I,Q)=(%d,%d,%d)\n\n", m.y, m.i, m.q);
}

void ShowRgbProfile(WindowId, int index) { RunRowProfile(index, RGB_PROFILE); }
void ShowHsvProfile(WindowId, int index) { RunRowProfile(index, HSV_PROFILE); }
void ShowYCrCbProfile(WindowId, int index) { RunRowProfile(index, YCRCB_PROFILE); }
void ShowLuminanceProfile(WindowId, int index) { RunRowProfile(index, LUMINANCE_PROFILE); }

// ---- Chroma plots ---------------------------------------------------------------------------

void ShowRowChroma(WindowId, int index) {
    int y = 0;
    void* buffer = PickRow(index, 32, &y);
    if (!buffer) return;
    const int width = image_table[index].width;
    char title[64];
    snprintf(title, sizeof title, "CrCb(Y=%d)", y);
    const int graph = CreateGraphWindow(title, CHROMA_PLANE, CHROMA_PLANE);
    if (graph >= 0) {
        PlotRowChroma(static_cast<const uint32_t*>(buffer), width);
        InvalidateImage(graph);
    }
    free(buffer);
}

void ShowAreaChroma(WindowId, int index) {
    if (!SourceImage(index, 32)) return;
    int left = 0, top = 0, right = 0, bottom = 0;
    if (PXK_GetRectangle(index, &left, &top, &right, &bottom) != PXK_TOOL_DONE) return;
    const int64_t w = (int64_t)right - left + 1, h = (int64_t)bottom - top + 1;
    // Corners may lie outside the image (they read as black), so the product is taken in 64
    // bits and checked against what an allocation can be asked for.
    uint32_t* buffer = nullptr;
    if (w <= INT32_MAX && h <= INT32_MAX && (uint64_t)w * (uint64_t)h <= SIZE_MAX / 4) buffer = static_cast<uint32_t*>(calloc((size_t)(w * h), 4));
    if (!buffer) {
        SayNoMemory("area");
        return;
    }
    PXK_ReadImageRect(buffer, left, top, (int)w, (int)h);
    char title[96];
    snprintf(title, sizeof title, "CrCb(%d,%d)-(%d,%d)", left, top, right, bottom);
    const int graph = CreateGraphWindow(title, CHROMA_PLANE, CHROMA_PLANE);
    if (graph >= 0) {
        PlotAreaChroma((int)h, buffer, (int)w);
        PXK_RedrawImage(graph);
    }
    free(buffer);
}
