// The colour and drawing commands of the image window. The point tools and the prompts pump
// the worker's messages while they wait, and meanwhile anything may happen to the window's
// image or to the current image; so after every wait a command makes sure its slot still
// holds this window's image and makes it current again before it touches any pixel.
#include "imaging/draw_commands.h"

#include "imagewin/image_commands.h"
#include "imagewin/image_table.h"
#include "imaging/draw_state.h"
#include "platform/controls/color_dialog.h"
#include "platform/controls/dialog.h"
#include "platform/window/window.h"
#include "pxk.h"

// The custom colours of the colour dialog, kept for the life of the process.
static uint32_t custom_colors[COLOR_CUSTOM_COUNT];
// True while Color Change's dialog is open: its pump serves the image windows.
static bool color_dialog_open = false;

static bool HoldsWindowImage(WindowId window, int index) {
    return index >= 0 && index < IMAGE_SLOTS && image_table[index].in_use.load() && image_table[index].window == window;
}

// After a wait: the slot must still hold this window's image, which becomes current again
// when something else was made current meanwhile.
static bool Retarget(WindowId window, int index) {
    if (!HoldsWindowImage(window, index)) return false;
    return CurrentImageIndex() == index || PXK_SelectImage(index) == 0;
}

// Start of a drawing command: the window's image becomes current.
static bool SelectWindowImage(WindowId window, int index) {
    return HoldsWindowImage(window, index) && PXK_SelectImageByWindow((PXK_Window)window) == index;
}

static void Repaint(WindowId window) { PlatInvalidateRect(window, nullptr, false); }

void ColorChangeCommand(WindowId window, int) {
    if (color_dialog_open) return;
    uint32_t color = PXK_GetDrawColor() & 0xFFFFFF;
    color_dialog_open = true;
    const int answer = PlatChooseColor(window, &color, custom_colors);
    color_dialog_open = false;
    if (answer != IDOK) return;
    PXK_SetDrawColor(color);
    pxk_tc = color;
    pxk_tttc = color;
}

void ColorPickCommand(WindowId window, int index) {
    if (!HoldsWindowImage(window, index)) return;
    int x = 0, y = 0;
    const int result = PXK_GetPoint(index, &x, &y);
    if (result == PXK_TOOL_NO_IMAGE || result == PXK_TOOL_BUSY) return;   // the tool pushed nothing
    // The tool made the image current; a second selection is needed only when something else
    // was made current meanwhile, and it is popped again at once.
    const bool reselected = result == PXK_TOOL_DONE && HoldsWindowImage(window, index) && CurrentImageIndex() != index &&
                            PXK_SelectImage(index) == 0;
    if (result == PXK_TOOL_DONE && HoldsWindowImage(window, index) && CurrentImageIndex() == index) {
        const uint32_t value = PXK_GetPixel(x, y);
        if (image_table[index].bits == 8) {
            PXK_Color palette[256] = {};
            PXK_GetPalette(palette);
            PXK_SetDrawColor(value & 0xFF);
            pxk_tttc = palette[value & 0xFF] & 0xFFFFFF;
        } else {
            PXK_SetDrawColor(value & 0xFFFFFF);
            pxk_tttc = value & 0xFFFFFF;
        }
    }
    if (reselected) PXK_SelectPreviousImage();
    PXK_SelectPreviousImage();
}

enum Figure { FIGURE_LINE, FIGURE_BOX, FIGURE_FILLED_BOX, FIGURE_XOR_BOX, FIGURE_CIRCLE, FIGURE_FILLED_CIRCLE, FIGURE_XOR_CIRCLE };

// Two-point figures: the line from click to click, the boxes on the ordered corners, the
// circles around the first click through the second.
static void TwoPointCommand(WindowId window, int index, Figure figure) {
    if (!SelectWindowImage(window, index)) return;
    int a = 0, b = 0, c = 0, d = 0, result;
    if (figure == FIGURE_LINE) result = PXK_GetLinePoints(index, &a, &b, &c, &d);
    else if (figure <= FIGURE_XOR_BOX) result = PXK_GetRectangle(index, &a, &b, &c, &d);
    else result = PXK_GetCircle(index, &a, &b, &c);
    if (result != PXK_TOOL_DONE || !Retarget(window, index)) return;
    const PXK_Color color = PXK_GetDrawColor();
    switch (figure) {
    case FIGURE_LINE: PXK_DrawLine(color, a, b, c, d); break;
    case FIGURE_BOX: PXK_DrawBox(a, b, c, d); break;
    case FIGURE_FILLED_BOX: PXK_DrawFilledBox(a, b, c, d, color, color); break;
    case FIGURE_XOR_BOX: PXK_XorFillBox(a, b, c, d); break;
    case FIGURE_CIRCLE: PXK_DrawCircle(color, a, b, c); break;
    case FIGURE_FILLED_CIRCLE: PXK_FillCircle(a, b, c); break;
    case FIGURE_XOR_CIRCLE: PXK_XorFillCircle(a, b, c); break;
    }
    Repaint(window);
}

void DrawLineCommand(WindowId window, int index) { TwoPointCommand(window, index, FIGURE_LINE); }
void DrawBoxCommand(WindowId window, int index) { TwoPointCommand(window, index, FIGURE_BOX); }
void FillBoxCommand(WindowId window, int index) { TwoPointCommand(window, index, FIGURE_FILLED_BOX); }
void XorFillBoxCommand(WindowId window, int index) { TwoPointCommand(window, index, FIGURE_XOR_BOX); }
void DrawCircleCommand(WindowId window, int index) { TwoPointCommand(window, index, FIGURE_CIRCLE); }
void FillCircleCommand(WindowId window, int index) { TwoPointCommand(window, index, FIGURE_FILLED_CIRCLE); }
void XorFillCircleCommand(WindowId window, int index) { TwoPointCommand(window, index, FIGURE_XOR_CIRCLE); }

// The whole row or column through one click, with the size the image has after the wait.
static void FullLineCommand(WindowId window, int index, bool row) {
    if (!SelectWindowImage(window, index)) return;
    int x = 0, y = 0;
    const int result = row ? PXK_GetRowPoint(index, &x, &y) : PXK_GetColumnPoint(index, &x, &y);
    if (result != PXK_TOOL_DONE || !Retarget(window, index)) return;
    const ImageRecord& r = image_table[index];
    if (row) PXK_DrawLine(PXK_GetDrawColor(), 0, y, r.width - 1, y);
    else PXK_DrawLine(PXK_GetDrawColor(), x, 0, x, r.height - 1);
    Repaint(window);
}

void DrawRowLineCommand(WindowId window, int index) { FullLineCommand(window, index, true); }
void DrawColumnLineCommand(WindowId window, int index) { FullLineCommand(window, index, false); }

void DrawTextCommand(WindowId window, int index) {
    if (!SelectWindowImage(window, index)) return;
    int x = 0, y = 0;
    if (PXK_GetPoint(index, &x, &y) != PXK_TOOL_DONE || !Retarget(window, index)) return;
    PXK_ShowTextWindow();
    PXK_Printf("Text>");
    char line[256] = {0};
    PXK_InputText(line);
    if (!line[0] || !Retarget(window, index)) return;
    PXK_SetTextPos(x, y);
    pxk_tc = PXK_GetDrawColor();
    PXK_PrintText("%s", line);
    Repaint(window);
}

void PaintCommand(WindowId window, int index) {
    if (!SelectWindowImage(window, index)) return;
    int x = 0, y = 0;
    if (PXK_GetPoint(index, &x, &y) != PXK_TOOL_DONE || !Retarget(window, index)) return;
    PXK_Paint(x, y);
    Repaint(window);
}

void RegisterDrawCommands(void) {
    static const struct {
        int id;
        void (*run)(WindowId, int);
    } HANDLERS[] = {
        {1031, ColorChangeCommand},   {1052, ColorPickCommand},      {1032, DrawLineCommand},
        {1034, DrawRowLineCommand},   {1035, DrawColumnLineCommand}, {1036, DrawBoxCommand},
        {1037, FillBoxCommand},       {1038, XorFillBoxCommand},     {1039, DrawCircleCommand},
        {1040, FillCircleCommand},    {1041, XorFillCircleCommand},  {1042, DrawTextCommand},
        {1043, PaintCommand},
    };
    for (const auto& h : HANDLERS) SetImageCommandHandler(h.id, h.run);
}
