// Command bodies of the image window's edit and processing menus that work on the image
// alone. Prompts and the rectangle tool pump messages while they wait, and any command may run
// meanwhile (even Destroy of this image, or a new image in its slot), so after every wait the
// command looks its image up again from the window before touching it.
#include "imagewin/image_edit_commands.h"

#include <climits>
#include <stdint.h>
#include <stdio.h>

#include "imagewin/image_commands.h"
#include "imagewin/image_table.h"
#include "imagewin/image_transforms.h"
#include "platform/draw/draw.h"
#include "platform/window/window.h"
#include "pxk.h"

enum { PROMPT_BYTES = 256 };

static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool ParsePromptNumber(const char* line, int* value) {
    if (!line || !line[0]) return false;
    const char* p = line;
    while (IsBlank(*p)) p++;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') p++;
    int64_t n = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        n = n * 10 + (*p - '0');
        if (n > (int64_t)INT_MAX + 1) n = (int64_t)INT_MAX + 1;   // saturated; clamped below
    }
    if (negative) n = -n;
    *value = (int)(n > INT_MAX ? INT_MAX : n < INT_MIN ? INT_MIN : n);
    return true;
}

// Prints the prompt in text window 0 (opened at its default place when closed) and reads a
// number; false when the answer was empty or the image left its window meanwhile.
static bool AskNumber(WindowId window, int index, const char* prompt, int* value) {
    PXK_OpenTextWindow(0, -1, -1, -1, -1);
    PXK_Printf(prompt, index);
    char line[PROMPT_BYTES] = {0};
    PXK_InputText(line);
    return ParsePromptNumber(line, value) && ImageStillShownIn(window, index);
}

// What a command refused or could not make, printed in the current text window: the
// command's name, why, and what became of the image.
static void SayWhy(int index, const char* name, const char* why, const char* outcome) {
    PXK_ShowTextWindow();
    PXK_Printf("[%d] %s: %s; %s\n", index, name, why, outcome);
}

// A size that cannot be made leaves the image as it was; only a window that could not be
// made again after the old one went loses it.
static const char* ImageOutcome(int index) {
    return image_table[index].in_use.load(std::memory_order_acquire) ? "the image is unchanged" : "the image is gone";
}

// A turn, size step or resize that cannot be made says why.
static void ReportResult(int index, const char* name, int code) {
    if (code != TRANSFORM_NO_FIT && code != TRANSFORM_NO_MEMORY) return;
    SayWhy(index, name,
           code == TRANSFORM_NO_FIT ? "the new size cannot be shown on this screen" : "no memory for the new size",
           ImageOutcome(index));
}

// A zoom of 0 or less is refused here: the view fit would raise it to its smallest step. An
// empty answer is taken as the user giving up and says nothing.
void ZoomPromptCommand(WindowId window, int index) {
    int zoom;
    if (!AskNumber(window, index, "[%d] Zoom(%%)=", &zoom)) return;
    if (zoom < 1) return SayWhy(index, "Zoom", "the zoom must be at least 1%", "the zoom is unchanged");
    if (PXK_SetZoom(zoom, index) == 2)
        SayWhy(index, "Zoom", "no zoom shows the image on this screen", "the zoom is unchanged");
}

// Sizes of 0 or less are refused rather than raised to one pixel; a refused width asks no
// height.
void ResizePromptCommand(WindowId window, int index) {
    int width, height;
    if (!AskNumber(window, index, "[%d] New x-size(pixel)=", &width)) return;
    if (width < 1) return SayWhy(index, "Resize", "the width must be at least 1 pixel", "the image is unchanged");
    if (!AskNumber(window, index, "[%d] New y-size(pixel)=", &height)) return;
    if (height < 1) return SayWhy(index, "Resize", "the height must be at least 1 pixel", "the image is unchanged");
    ReportResult(index, "Resize", PXK_ResizeImage(index, width, height));
}

void InvertCommand(WindowId, int index) { InvertImage(index); }
void HorizontalFlipCommand(WindowId, int index) { FlipImage(index, true); }
void VerticalFlipCommand(WindowId, int index) { FlipImage(index, false); }

// The turns and size steps make the window's image the current one first.
static void Rotate(int index, bool clockwise, const char* name) {
    if (PXK_SelectImage(index) != 0) return;
    ReportResult(index, name, RotateImage(index, clockwise));
}

static void Scale(int index, int per_mille, const char* name) {
    if (PXK_SelectImage(index) != 0) return;
    ReportResult(index, name, ScaleImage(index, per_mille));
}

void RightRotateCommand(WindowId, int index) { Rotate(index, true, "R. Rotate"); }
void LeftRotateCommand(WindowId, int index) { Rotate(index, false, "L. Rotate"); }
void Size50Command(WindowId, int index) { Scale(index, 500, "Size 50.0%"); }
void Size71Command(WindowId, int index) { Scale(index, 707, "Size 70.7%"); }
void Size141Command(WindowId, int index) { Scale(index, 1414, "Size 141.4%"); }
void Size200Command(WindowId, int index) { Scale(index, 2000, "Size 200.0%"); }

// The lowest slot in which a w x h image of these bits can be made, which becomes current; the
// search stops at the first answer other than "slot in use". -1 when none.
static int CreateInFreeSlot(const char* title, int w, int h, int bits) {
    for (int i = 0; i < IMAGE_SLOTS; i++) {
        const int code = PXK_CreateImageEx(i, title, 0, 0, w, h, 100, bits, 1);
        if (code == 0) return i;
        if (code != 1) return -1;
    }
    return -1;
}

// The dragged rectangle (corners included) becomes a new image of its own, colour table too.
void ClippingCommand(WindowId window, int index) {
    int left, top, right, bottom;
    if (PXK_GetRectangle(index, &left, &top, &right, &bottom) != PXK_TOOL_DONE) return;
    if (!ImageStillShownIn(window, index)) return;
    char title[64];
    snprintf(title, sizeof title, "(%d,%d)-(%d,%d)", left, top, right, bottom);
    const ImageRecord* src = &image_table[index];
    const int clip = CreateInFreeSlot(title, right - left + 1, bottom - top + 1, src->bits);
    if (clip < 0) return;
    ImageRecord* dst = &image_table[clip];
    if (src->bits == 8) {
        uint32_t colors[256];
        PlatGetColorTable(src->memory_dc, 0, 256, colors);
        PlatSetColorTable(dst->memory_dc, 0, 256, colors);
    }
    PlatCopyRect(dst->memory_dc, 0, 0, dst->width, dst->height, src->memory_dc, left, top);
    PXK_RedrawImage(clip);
}
