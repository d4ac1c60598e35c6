// Reads of the running program's image table for the tests (see image_reads.h).
#include "support/image_reads.h"

#include "support/worker_jobs.h"

#include "imagewin/image_table.h"

WindowId ImageWindow(int index) { return Ask<WindowId>([=] { return image_table[index].window; }); }
int ImageZoom(int index) { return Ask<int>([=] { return image_table[index].zoom; }); }
int ImageInUse(int index) { return Ask<int>([=] { return image_table[index].in_use.load(); }); }
int CurrentImage(void) { return Ask<int>([] { return CurrentImageIndex(); }); }

int ImagesInUse(void) {
    int n = 0;
    for (int k = 0; k < IMAGE_SLOTS; k++) n += image_table[k].in_use.load();
    return n;
}
