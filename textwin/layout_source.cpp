// Generating the source of a layout. The create operations read a negative position as "the
// default place", so a window partly off the screen to the left or top is generated at 0:
// the call then puts it at the screen's edge instead of somewhere else entirely.
#include "textwin/layout_source.h"

#include "textwin/window_layout.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static bool Reserve(SourceText* text, size_t more) {
    if (text->failed) return false;
    size_t need = text->length + more + 1;
    if (need <= text->capacity) return true;
    size_t capacity = text->capacity ? text->capacity : 4096;
    while (capacity < need) capacity *= 2;
    char* grown = (char*)realloc(text->data, capacity);
    if (!grown) {
        text->failed = true;
        return false;
    }
    text->data = grown;
    text->capacity = capacity;
    return true;
}

void AppendSource(SourceText* text, const char* piece, size_t length) {
    if (!Reserve(text, length)) return;
    memcpy(text->data + text->length, piece, length);
    text->length += length;
    text->data[text->length] = 0;
}

void AppendSourceFormat(SourceText* text, const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(line, sizeof line, format, args);
    va_end(args);
    // The formats here are numbers around short words: they always fit the line.
    if (n > 0) AppendSource(text, line, (size_t)n < sizeof line ? (size_t)n : sizeof line - 1);
}

static int EscapeByte(unsigned char c, bool after_question, char* out) {
    switch (c) {
    case '\\': return snprintf(out, 5, "\\\\");
    case '"': return snprintf(out, 5, "\\\"");
    case '\n': return snprintf(out, 5, "\\n");
    case '\r': return snprintf(out, 5, "\\r");
    case '\t': return snprintf(out, 5, "\\t");
    case '?': return snprintf(out, 5, after_question ? "\\?" : "?");
    default: break;
    }
    // Three octal digits always, so that a digit after it is never taken into the escape.
    if (c < 0x20 || c == 0x7F) return snprintf(out, 5, "\\%03o", c);
    out[0] = (char)c;
    return 1;
}

void AppendCStringBody(SourceText* text, const char* bytes) {
    char piece[8];
    bool after_question = false;
    for (const unsigned char* p = (const unsigned char*)bytes; *p; p++) {
        int n = EscapeByte(*p, after_question, piece);
        AppendSource(text, piece, (size_t)n);
        after_question = *p == '?';
    }
}

void FreeSourceText(SourceText* text) {
    free(text->data);
    *text = SourceText{nullptr, 0, 0, false};
}

static int Placed(int coordinate) { return coordinate < 0 ? 0 : coordinate; }

static const char* CreateCallOf(const ImageLayout& image) {
    if (image.bits == 32) return image.fit_screen ? "PXK_CreateImage" : "PXK_CreateImageFL";
    return image.fit_screen ? "PXK_CreateImage8" : "PXK_CreateImage8FL";
}

static void GenerateImages(const WindowLayout* layout, SourceText* text) {
    if (layout->image_count == 0) return;
    AppendSourceFormat(text, "\t// [Image Window]\n");
    for (int i = 0; i < layout->image_count; i++) {
        const ImageLayout& image = layout->images[i];
        AppendSourceFormat(text, "\t%s(%d,\"", CreateCallOf(image), image.index);
        AppendCStringBody(text, image.title);
        AppendSourceFormat(text, "\",%d,%d,%d,%d,%d);\n", Placed(image.x), Placed(image.y), image.width,
                           image.height, image.zoom);
    }
}

static void GenerateTextWindows(const WindowLayout* layout, SourceText* text) {
    AppendSourceFormat(text, "\t// [Text Window]\n");
    for (int i = 0; i < layout->text_count; i++) {
        const TextLayout& t = layout->texts[i];
        AppendSourceFormat(text, "\tPXK_OpenTextWindow(%d,%d,%d,%d,%d);\n", t.id, Placed(t.x), Placed(t.y), t.width,
                           t.height);
    }
}

static void GenerateTitleCall(SourceText* text, const char* call, int index, const char* title) {
    AppendSourceFormat(text, "\t%s(%d,\"", call, index);
    AppendCStringBody(text, title);
    AppendSourceFormat(text, "\");\n");
}

static void GenerateInputBox(const WindowLayout* layout, SourceText* text) {
    if (!layout->has_input_box) return;
    AppendSourceFormat(text, "\t// [Input Box]\n");
    AppendSourceFormat(text, "\tPXK_OpenInputBox(%d,%d,%d);\n", Placed(layout->input_x), Placed(layout->input_y),
                       layout->item_count);
    AppendSourceFormat(text, "\tPXK_ResizeInputBox(%d,%d);\n", layout->isize, layout->esize);
    for (int i = 0; i < layout->item_count; i++)
        GenerateTitleCall(text, "PXK_SetInputBoxTitle", i, layout->labels[i]);
}

static void GenerateButtonBox(const WindowLayout* layout, SourceText* text) {
    if (!layout->has_button_box) return;
    AppendSourceFormat(text, "\t// [Button Box]\n");
    AppendSourceFormat(text, "\tPXK_OpenButtonBox(%d,%d,%d,%d);\n", Placed(layout->button_x),
                       Placed(layout->button_y), layout->button_nx, layout->button_ny);
    AppendSourceFormat(text, "\tPXK_ResizeButtonBox(%d,%d);\n", layout->box_width, layout->box_height);
    for (int b = 0; b < layout->button_count; b++)
        GenerateTitleCall(text, "PXK_SetButtonBoxTitle", b, layout->buttons[b]);
}

void GenerateLayoutSource(const WindowLayout* layout, SourceText* text) {
    AppendSourceFormat(text, "\t// PIXKIT --- Automatic Source Generator\n");
    GenerateImages(layout, text);
    GenerateTextWindows(layout, text);
    GenerateInputBox(layout, text);
    GenerateButtonBox(layout, text);
    AppendSourceFormat(text, "\tPXK_SetForeground(PXKMAINWINDOW);\n");
}
