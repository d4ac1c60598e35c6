// Reads of the running program's image table for the tests (see image_reads.h).
#include "support/image_reads.h"

#include "support/worker_jobs.h"

#include "imagewin/image_table.h"
#include "platform/headless/driver.h"

WindowId ImageWindow(int index) { return Ask<WindowId>([=] { return image_table[index].window; }); }
int ImageZoom(int index) { return Ask<int>([=] { return image_table[index].zoom; }); }
int ImageInUse(int index) { return Ask<int>([=] { return image_table[index].in_use.load(); }); }
int CurrentImage(void) { return Ask<int>([] { return CurrentImageIndex(); }); }

int ImagesInUse(void) {
    int n = 0;
    for (int k = 0; k < IMAGE_SLOTS; k++) n += image_table[k].in_use.load();
    return n;
}

std::vector<uint32_t> ShownColors(WindowId window, int* width, int* height) {
    int w = 0, h = 0;
    std::vector<uint32_t> px = DriverClientPixels(window, width ? width : &w, height ? height : &h);
    for (uint32_t& v : px) v &= 0xFFFFFF;
    return px;
}
