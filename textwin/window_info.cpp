// The report and the clipboard copy of the generated source. The layout is read once, before
// anything is printed: printing pumps messages, and a window closed by the user in the
// meantime must neither change the report halfway nor leave a pointer into a freed record.
// Every piece is printed into the target window with its own colours, so the window's
// colours are never touched and nothing can leave them in the report's.
#include "textwin/window_info.h"

#include "textwin/layout_source.h"
#include "textwin/text_window.h"
#include "textwin/window_layout.h"

#include "platform/clipboard.h"

#include <pxk.h>

#include <atomic>
#include <stdarg.h>
#include <stdio.h>

enum : int {
    BASE_TEXT = 0xFFFFFF,
    BASE_BACK = 0x000000,
    STAR_COLOR = 0xFFFF00,
    SECTION_COLOR = 0x00FF00,
    BITS_COLOR = 0x0080FF,
    FIT_COLOR = 0xFF00FF,
    SAVED_TEXT = 0xFFFF00,
    SAVED_BACK = 0x000080
};

static const char SAVED_SENTENCE[] =
    "\xE3\x82\xAF\xE3\x83\xAA\xE3\x83\x83\xE3\x83\x97\xE3\x83\x9C\xE3\x83\xBC\xE3\x83\x89\xE3\x81\xAB"   // クリップボードに
    "\xE3\x83\xAC\xE3\x82\xA4\xE3\x82\xA2\xE3\x82\xA6\xE3\x83\x88\xE4\xBD\x9C\xE6\x88\x90"               // レイアウト作成
    "\xE3\x82\xBD\xE3\x83\xBC\xE3\x82\xB9\xE3\x83\xAA\xE3\x82\xB9\xE3\x83\x88\xE3\x82\x92"               // ソースリストを
    "\xE4\xBF\x9D\xE5\xAD\x98\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x97\xE3\x81\x9F\xEF\xBC\x8E\n";           // 保存しました．

// Prints formatted text into window id in these colours.
static void PrintPiece(int id, int text_color, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

static void PrintPiece(int id, int text_color, const char* format, ...) {
    char text[PRINT_BUFFER_BYTES];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    PrintInColors(id, text, text_color, BASE_BACK);
}

static void ReportImages(int id, const WindowLayout* layout) {
    if (layout->image_count == 0) return;
    PrintPiece(id, SECTION_COLOR, "[Image Window]\n");
    for (int i = 0; i < layout->image_count; i++) {
        const ImageLayout& m = layout->images[i];
        PrintPiece(id, BASE_TEXT, " %d ", m.index);
        PrintPiece(id, BITS_COLOR, "%d ", m.bits);
        PrintPiece(id, FIT_COLOR, "%d ", m.fit_screen);
        PrintPiece(id, BASE_TEXT, " '%s' X:%d Y:%d W:%d H:%d ZM:%d%%\n", m.title, m.x, m.y, m.width, m.height,
                   m.zoom);
    }
}

static void ReportTextWindows(int id, const WindowLayout* layout) {
    PrintPiece(id, SECTION_COLOR, "[Text Window]\n");
    for (int i = 0; i < layout->text_count; i++) {
        const TextLayout& t = layout->texts[i];
        PrintPiece(id, BASE_TEXT, " %d X:%d Y:%d W:%d H:%d\n", t.id, t.x, t.y, t.width, t.height);
    }
}

static void ReportBoxes(int id, const WindowLayout* layout) {
    if (layout->has_input_box) {
        PrintPiece(id, SECTION_COLOR, "[Input Box]\n");
        PrintPiece(id, BASE_TEXT, " X:%d Y:%d ITEM:%d ISIZE:%d ESIZE:%d\n", layout->input_x, layout->input_y,
                   layout->item_count, layout->isize, layout->esize);
    }
    if (layout->has_button_box) {
        PrintPiece(id, SECTION_COLOR, "[Button Box]\n");
        PrintPiece(id, BASE_TEXT, " X:%d Y:%d NX:%d NY:%d SIZE:%dx%d\n", layout->button_x, layout->button_y,
                   layout->button_nx, layout->button_ny, layout->box_width, layout->box_height);
    }
}

// Puts the source on the clipboard and says so; a clipboard that cannot be had is passed
// over in silence, a source that ran out of memory is reported in a message box.
static void CopySource(int id, const SourceText* source) {
    if (source->failed || !source->data) {
        PXK_Pause("GlobalAlloc() failed. (ID_INFO)");
        return;
    }
    if (PlatSetClipboard(CLIP_TEXT, source->data, source->length + 1) != 0) return;
    PrintInColors(id, SAVED_SENTENCE, SAVED_TEXT, SAVED_BACK);
}

static void Report(int id) {
    WindowLayout* layout = CollectWindowLayout();
    SourceText source{nullptr, 0, 0, false};
    if (layout) GenerateLayoutSource(layout, &source);
    else source.failed = true;

    PrintPiece(id, STAR_COLOR, "******* Window information *******\n");
    if (layout) {
        ReportImages(id, layout);
        ReportTextWindows(id, layout);
        ReportBoxes(id, layout);
    }
    PrintPiece(id, STAR_COLOR, "**********************************\n");
    CopySource(id, &source);
    FreeSourceText(&source);
    FreeWindowLayout(layout);
}

void ShowWindowInfo(void) {
    static std::atomic<bool> reporting{false};
    if (reporting.exchange(true)) return;
    Report(current_text_window.load());
    reporting.store(false);
}
