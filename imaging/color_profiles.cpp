// Colour profiles and chroma plots: the row reader, the profile plotter and the row and area
// chroma plots. Every source pixel is converted once, in integers, and nothing is allocated
// here: the callers own the buffers.
#include "imaging/color_profiles.h"

#include <string.h>

#include "imaging/color_models.h"
#include "imaging/draw_state.h"
#include "imaging/raster.h"

void ReadImageRow(void* buffer, int y, int count) {
    const int index = CurrentImageIndex();
    if ((unsigned)index >= IMAGE_SLOTS || !buffer || count <= 0) return;
    const ImageRecord& r = image_table[index];
    if (!r.in_use.load(std::memory_order_acquire) || !image_pixels[index]) return;
    const size_t entry = r.bits == 32 ? 4 : 1;
    // Columns past the image, or a row outside it, read as 0.
    size_t inside = 0;
    if ((unsigned)y < (unsigned)r.height) inside = (size_t)(count < r.width ? count : r.width);
    if (inside) memcpy(buffer, image_pixels[index] + (size_t)y * (size_t)ImageStride(&r), inside * entry);
    memset(static_cast<uint8_t*>(buffer) + inside * entry, 0, ((size_t)count - inside) * entry);
}

// ---- Profile plotter ---------------------------------------------------------------------

namespace {

enum Component { C_RED, C_GREEN, C_BLUE, C_HUE, C_SAT, C_VALUE, C_LUMA, C_CR, C_CB, C_BYTE, C_NONE };

// The component bits in the order they are tested, and the full scale of each.
struct ComponentBit {
    int bit;
    Component component;
    int scale;
};
const ComponentBit COMPONENT_BITS[] = {
    {PROFILE_RED, C_RED, 255},   {PROFILE_GREEN, C_GREEN, 255}, {PROFILE_BLUE, C_BLUE, 255},
    {PROFILE_HUE, C_HUE, 359},   {PROFILE_SATURATION, C_SAT, 255}, {PROFILE_VALUE, C_VALUE, 255},
    {PROFILE_LUMINANCE, C_LUMA, 255}, {PROFILE_CR, C_CR, 255},  {PROFILE_CB, C_CB, 255},
    {PROFILE_BYTE, C_BYTE, 255},
};

int ComponentOf(Component component, const void* buffer, int i) {
    if (component == C_BYTE) return static_cast<const uint8_t*>(buffer)[i];
    const uint32_t color = static_cast<const uint32_t*>(buffer)[i];
    const int r = ColorRed(color), g = ColorGreen(color), b = ColorBlue(color);
    switch (component) {
    case C_RED: return r;
    case C_GREEN: return g;
    case C_BLUE: return b;
    case C_HUE: return PXK_GetHue(color);
    case C_SAT: return PXK_GetSaturation(color);
    case C_VALUE: return PXK_GetValue(color);
    case C_LUMA: return ColorLuminance(r, g, b);
    case C_CR: return ColorCr(r, g, b) + 128;
    case C_CB: return ColorCb(r, g, b) + 128;
    default: return 0;
    }
}

}  // namespace

void PlotProfile(const void* buffer, int x_offset, int count, int selector, PXK_Color color) {
    if (!buffer || count <= 0) return;
    const ComponentBit* chosen = nullptr;
    for (const ComponentBit& c : COMPONENT_BITS) {
        if (selector & c.bit) {
            chosen = &c;
            break;
        }
    }
    const bool lines = selector & PROFILE_LINES;
    if (!chosen || !(lines || (selector & PROFILE_POINTS))) return;
    int last_x = 0, last_y = 0;
    for (int i = 0; i < count; i++) {
        const int val = ComponentOf(chosen->component, buffer, i);
        const int x = (int)((int64_t)x_offset + i);
        const int y = PROFILE_HEIGHT - 1 - val * (PROFILE_HEIGHT - 1) / chosen->scale;
        if (lines && i > 0) PXK_DrawLine(color, last_x, last_y, x, y);
        else PXK_PutPixel(x, y, color);
        last_x = x;
        last_y = y;
    }
}

// ---- Chroma plots ------------------------------------------------------------------------

ChromaPoint ChromaOf(uint32_t color) {
    const int r = ColorRed(color), g = ColorGreen(color), b = ColorBlue(color);
    return ChromaPoint{CHROMA_PLANE / 2 + ColorCb(r, g, b), CHROMA_PLANE / 2 - ColorCr(r, g, b)};
}

// The grey axes through the origin (128, 128), "Cr" at the top left of the vertical axis and
// "Cb" at the right end below the horizontal one. The text colour stays the last one used.
static void DrawChromaFrame() {
    const int mid = CHROMA_PLANE / 2;
    PXK_DrawLine(0x808080, 0, mid, CHROMA_PLANE, mid);
    PXK_DrawLine(0x808080, mid, 0, mid, CHROMA_PLANE);
    PXK_SetTextPos(110, 16);
    PXK_SetTextColor(0xFF8888);
    PXK_PutString("Cr");
    PXK_SetTextPos(238, 144);
    PXK_SetTextColor(0x8888FF);
    PXK_PutString("Cb");
}

void PlotRowChroma(const uint32_t* buffer, int count) {
    DrawChromaFrame();
    if (!buffer || count <= 0) return;
    uint32_t color = 0xFFFFFF;
    ChromaPoint last = ChromaOf(buffer[0]);
    PXK_PutPixel(last.x, last.y, color);
    for (int i = 1; i < count; i++) {
        color ^= 0x00FF00;
        const ChromaPoint p = ChromaOf(buffer[i]);
        PXK_DrawLine(color, last.x, last.y, p.x, p.y);
        last = p;
    }
}

// A rectangle can hold millions of pixels, so the polylines are drawn on the canvas directly.
// Neighbouring pixels of real images often share a colour or a chroma point: a segment from a
// point to itself only stores that point again in the same white, so it is skipped.
void PlotAreaChroma(int h, const uint32_t* buffer, int w) {
    DrawChromaFrame();
    Canvas c;
    if (!buffer || w <= 0 || h <= 0 || !CurrentCanvas(&c)) return;
    const uint32_t white = 0xFFFFFF;
    ChromaPoint last{0, 0};
    for (int j = 0; j < h; j++) {
        const uint32_t* row = buffer + (size_t)j * (size_t)w;
        uint32_t last_color = row[0];
        last = ChromaOf(last_color);
        RasterLineOn(c, RASTER_STORE, white, last.x, last.y, last.x, last.y);
        for (int i = 1; i < w; i++) {
            if (row[i] == last_color) continue;
            last_color = row[i];
            const ChromaPoint p = ChromaOf(last_color);
            if (p.x == last.x && p.y == last.y) continue;
            RasterLineOn(c, RASTER_STORE, white, last.x, last.y, p.x, p.y);
            last = p;
        }
    }
    SetPen(last.x, last.y);
}
