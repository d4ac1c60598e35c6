// The image table, the pixel-pointer table, the current image and its history, and the two
// selection operations. Creation and destruction of images live with the image window.
#include "imagewin/image_table.h"

#include "pxk.h"

ImageRecord pxk::image_table[IMAGE_SLOTS];
uint8_t* pxk::image_pixels[IMAGE_SLOTS];
std::atomic<int> pxk::current_image{0};
std::atomic<int> pxk::image_history[IMAGE_HISTORY];

void ResetImageTable() {
    for (int i = 0; i < IMAGE_SLOTS; i++) {
        image_table[i].in_use.store(0, std::memory_order_release);
        image_pixels[i] = nullptr;
    }
    for (int i = 0; i < IMAGE_HISTORY; i++) image_history[i].store(0, std::memory_order_relaxed);
    current_image.store(0, std::memory_order_release);
}

// The index is taken unsigned, so negative indices fail like 256 and above.
static bool SlotUsable(unsigned index) {
    return index < IMAGE_SLOTS && image_table[index].in_use.load(std::memory_order_acquire) != 0;
}

extern "C" int PXK_SelectImage(int index) {
    if (!SlotUsable((unsigned)index)) return 1;
    for (int i = IMAGE_HISTORY - 1; i > 0; i--)
        image_history[i].store(image_history[i - 1].load(std::memory_order_relaxed), std::memory_order_relaxed);
    image_history[0].store(current_image.load(std::memory_order_relaxed), std::memory_order_relaxed);
    current_image.store(index, std::memory_order_release);
    return 0;
}

// Entry 7 keeps its value when the others move up, so after eight pops the oldest entry
// repeats.
extern "C" int PXK_SelectPreviousImage(void) {
    int previous = image_history[0].load(std::memory_order_acquire);
    if (!SlotUsable((unsigned)previous)) return 1;
    for (int i = 0; i < IMAGE_HISTORY - 1; i++)
        image_history[i].store(image_history[i + 1].load(std::memory_order_relaxed), std::memory_order_relaxed);
    current_image.store(previous, std::memory_order_release);
    return 0;
}
