// The tests' access to the running program's images (see image_access.h).
#include "support/image_access.h"

#include "support/worker_jobs.h"

#include "imagewin/image_table.h"
#include "platform/driver/driver.h"

std::vector<uint32_t> ReadImagePixels(int index) {
    const ImageRecord& r = image_table[index];
    std::vector<uint32_t> out;
    if (!r.in_use.load()) return out;
    for (int y = 0; y < r.height; y++) {
        const uint8_t* row = image_pixels[index] + (size_t)y * ImageStride(&r);
        for (int x = 0; x < r.width; x++) out.push_back(r.bits == 32 ? ((const uint32_t*)row)[x] : row[x]);
    }
    return out;
}

void WriteImagePixels(int index, const std::function<uint32_t(int x, int y)>& at) {
    const ImageRecord& r = image_table[index];
    for (int y = 0; y < r.height; y++) {
        uint8_t* row = image_pixels[index] + (size_t)y * ImageStride(&r);
        for (int x = 0; x < r.width; x++)
            if (r.bits == 32) ((uint32_t*)row)[x] = at(x, y);
            else row[x] = (uint8_t)at(x, y);
    }
}

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
