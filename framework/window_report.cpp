// The report and the clipboard copy of the generated source. The kinds describe their windows
// once, before anything is printed: printing pumps messages, and a window closed by the user
// in the meantime must neither change the report halfway nor leave a pointer into a freed
// record. Every piece is printed into the target window with its own colours, so the window's
// colours are never touched and nothing can leave them in the report's.
#include "framework/window_report.h"

#include "runtime/window_description.h"
#include "runtime/window_kinds.h"
#include "textwin/text_window.h"

#include "platform/clipboard.h"

#include <pxk.h>

#include <atomic>
#include <string.h>

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

// Prints a piece in these colours. A piece is cut where a printf of it into the text windows'
// print buffer would cut it.
static void PrintPiece(int id, const char* text, int text_color) {
    char piece[PRINT_BUFFER_BYTES];
    size_t length = strnlen(text, sizeof piece - 1);
    memcpy(piece, text, length);
    piece[length] = 0;
    PrintInColors(id, piece, text_color, BASE_BACK);
}

static int ColorOfTone(int tone) {
    switch (tone) {
    case TONE_SECTION: return SECTION_COLOR;
    case TONE_BITS: return BITS_COLOR;
    case TONE_FIT: return FIT_COLOR;
    default: return BASE_TEXT;
    }
}

// Puts the source on the clipboard and says so; a clipboard that cannot be had is passed
// over in silence, a source that ran out of memory is reported in a message box.
static void CopySource(int id, const DescriptionText* source) {
    if (source->failed || !source->data) {
        PXK_Pause("GlobalAlloc() failed. (ID_INFO)");
        return;
    }
    if (PlatSetClipboard(CLIP_TEXT, source->data, source->length + 1) != 0) return;
    PrintInColors(id, SAVED_SENTENCE, SAVED_TEXT, SAVED_BACK);
}

static void Report(int id) {
    WindowDescription description{};
    DescribeSource(&description, "\t// PIXKIT --- Automatic Source Generator\n");
    DescribeWindowKinds(&description);
    DescribeSource(&description, "\tPXK_SetForeground(PXKMAINWINDOW);\n");

    PrintPiece(id, "******* Window information *******\n", STAR_COLOR);
    if (!description.report.failed)
        for (int i = 0; i < description.piece_count; i++)
            PrintPiece(id, ReportPieceText(&description, i), ColorOfTone(description.pieces[i].tone));
    PrintPiece(id, "**********************************\n", STAR_COLOR);
    CopySource(id, &description.source);
    FreeWindowDescription(&description);
}

void ShowWindowInfo(void) {
    static std::atomic<bool> reporting{false};
    if (reporting.exchange(true)) return;
    Report(current_text_window.load());
    reporting.store(false);
}
