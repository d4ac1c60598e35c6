// Describing the open text windows: the outer top-left on the screen and the client size,
// read under each record's lock so that a resize in progress is seen whole.
#include "textwin/text_description.h"

#include "runtime/window_description.h"
#include "textwin/text_window.h"

void DescribeTextWindows(WindowDescription* out) {
    DescribeReport(out, TONE_SECTION, "[Text Window]\n");
    DescribeSource(out, "\t// [Text Window]\n");
    for (int id = 0; id < TEXT_WINDOW_COUNT; id++) {
        TextWindowRecord* rec = OpenTextWindowRecord(id);
        if (!rec) continue;
        PlatPoint p = DescribedPosition(rec->hwnd.load());
        int width, height;
        {
            std::lock_guard<LayerMutex> guard(rec->lock);
            width = rec->width;
            height = rec->height;
        }
        DescribeReport(out, TONE_TEXT, " %d X:%d Y:%d W:%d H:%d\n", id, p.x, p.y, width, height);
        DescribeSource(out, "\tPXK_OpenTextWindow(%d,%d,%d,%d,%d);\n", id, SourceCoordinate(p.x),
                       SourceCoordinate(p.y), width, height);
    }
}
