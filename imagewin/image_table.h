// The image table: 256 image slots, the pixel-pointer table beside it, and the current image
// with its short history of earlier ones. Every pixel, drawing and processing operation works
// on the current image, so the look-up of the current record is an inline load here.
//
// Threads: the table belongs to the worker thread. The main thread reads in_use flags (to find
// a free slot) and pops the history after its own requests while the worker is idle, so the
// flags, the current index and the history are atomics; everything else is plain and is only
// touched by the worker.
#pragma once

#include <atomic>
#include <stdint.h>

#include "platform/plat_types.h"

struct DrawContext;
struct Surface;

enum { IMAGE_SLOTS = 256, IMAGE_HISTORY = 8 };

struct ImageRecord {
    std::atomic<int> in_use;   // 1 while the slot holds an image; set last, cleared first
    int bits;                  // 8 or 32
    int width;                 // pixels per row, at least 1
    int height;                // rows, at least 1
    int view_width;            // client width: zoom * width / 100
    int view_height;           // client height: zoom * height / 100
    int zoom;                  // display scale in percent
    int fit_screen;            // 1: the window must fit on the screen
    WindowId window;           // the image window
    DrawContext* memory_dc;    // memory context with dib selected for the slot's life
    DrawContext* window_dc;    // the window's own context
    Surface* dib;              // the pixel buffer (32-bit words or 8-bit indices)
    Surface* old_bitmap;       // what memory_dc had selected before dib
    char* title;               // heap copy of the title, owned
};

namespace pxk {
extern ImageRecord image_table[IMAGE_SLOTS];
// First byte of each slot's pixel buffer (dib->pixels), kept apart from the records so that
// pixel access reads one pointer.
extern uint8_t* image_pixels[IMAGE_SLOTS];
extern std::atomic<int> current_image;
extern std::atomic<int> image_history[IMAGE_HISTORY];   // most recent first
}  // namespace pxk
using pxk::image_table, pxk::image_pixels, pxk::current_image, pxk::image_history;

// Clears every in_use flag, the pixel pointers, the current index and the history.
void ResetImageTable();

static inline int CurrentImageIndex() {
    return current_image.load(std::memory_order_acquire);
}
// The record of the current image, in use or not.
static inline ImageRecord* CurrentImageRecord() {
    return &image_table[CurrentImageIndex() & (IMAGE_SLOTS - 1)];
}
// Bytes per row of a slot's pixel buffer: width words, or width bytes padded to 4.
static inline int ImageStride(const ImageRecord* r) {
    return r->bits == 32 ? r->width * 4 : (r->width + 3) & ~3;
}
