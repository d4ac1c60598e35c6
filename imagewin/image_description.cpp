// Describing the images in use. The create call is chosen by the image's bits and whether it
// must fit the screen, so the generated program makes the same kind of window again.
#include "imagewin/image_description.h"

#include "imagewin/image_table.h"
#include "runtime/window_description.h"

static const char* CreateCallOf(const ImageRecord& image) {
    if (image.bits == 32) return image.fit_screen ? "PXK_CreateImage" : "PXK_CreateImageFL";
    return image.fit_screen ? "PXK_CreateImage8" : "PXK_CreateImage8FL";
}

static void DescribeImage(WindowDescription* out, int index, const ImageRecord& r) {
    PlatPoint p = DescribedPosition(r.window);
    const char* title = r.title ? r.title : "";
    DescribeReport(out, TONE_TEXT, " %d ", index);
    DescribeReport(out, TONE_BITS, "%d ", r.bits);
    DescribeReport(out, TONE_FIT, "%d ", r.fit_screen);
    DescribeReport(out, TONE_TEXT, " '%s' X:%d Y:%d W:%d H:%d ZM:%d%%\n", title, p.x, p.y, r.width, r.height,
                   r.zoom);
    DescribeSource(out, "\t%s(%d,\"", CreateCallOf(r), index);
    DescribeSourceString(out, title);
    DescribeSource(out, "\",%d,%d,%d,%d,%d);\n", SourceCoordinate(p.x), SourceCoordinate(p.y), r.width, r.height,
                   r.zoom);
}

void DescribeImageWindows(WindowDescription* out) {
    bool any = false;
    for (int i = 0; i < IMAGE_SLOTS; i++) {
        const ImageRecord& r = image_table[i];
        if (!r.in_use.load(std::memory_order_acquire)) continue;
        if (!any) {
            DescribeReport(out, TONE_SECTION, "[Image Window]\n");
            DescribeSource(out, "\t// [Image Window]\n");
            any = true;
        }
        DescribeImage(out, i, r);
    }
}
