// The cell counts of the console font. The font is asked once per character, when the
// character is first printed or typed; the answer is kept in a byte per character of the
// basic plane (0 while unknown) and in a small map beyond it. Both threads that print read
// the table; two of them filling the same entry at once store the same value.
#include "textwin/char_cells.h"
#include "platform/layer_mutex.h"

#include "platform/draw/draw.h"
#include "platform/font/font.h"
#include "platform/text.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

enum { BASIC_PLANE = 0x10000 };

static std::atomic<uint8_t> basic_cells[BASIC_PLANE];

// The console font's narrow cell width, read once.
static int ConsoleCellWidth(void) {
    static const int width = [] {
        ContextPtr dc(PlatCreateMemoryContext(nullptr));
        PlatSelectFont(dc.get(), PlatGetStockFont(STOCK_CONSOLE_FONT));
        TextMetrics tm{};
        PlatGetTextMetrics(dc.get(), &tm);
        return tm.ave_char_width > 0 ? tm.ave_char_width : 1;
    }();
    return width;
}

// Asks the font. What Unicode calls wide stays two cells even where a fallback face draws it
// narrower, so that CJK text keeps its columns.
static int MeasureCells(uint32_t cp) {
    if (CharCellWidth(cp) == 2) return 2;
    return PlatGetNaturalAdvance(PlatGetStockFont(STOCK_CONSOLE_FONT), cp) > ConsoleCellWidth() ? 2 : 1;
}

int TableCharCells(uint32_t cp) {
    if (cp < BASIC_PLANE) {
        int cells = basic_cells[cp].load(std::memory_order_relaxed);
        if (cells == 0) {
            cells = MeasureCells(cp);
            basic_cells[cp].store((uint8_t)cells, std::memory_order_relaxed);
        }
        return cells;
    }
    static LayerMutex mutex;
    static std::unordered_map<uint32_t, uint8_t> others;
    {
        std::lock_guard<LayerMutex> guard(mutex);
        auto it = others.find(cp);
        if (it != others.end()) return it->second;
    }
    int cells = MeasureCells(cp);
    std::lock_guard<LayerMutex> guard(mutex);
    others[cp] = (uint8_t)cells;
    return cells;
}
