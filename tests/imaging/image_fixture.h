// Test helper for the imaging tests: fills image slots by hand (a surface, in_use, select)
// so that the drawing operations run without windows, and gives a fixture that resets the
// image table and the drawing state around each test.
#pragma once

#include <stdlib.h>
#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "imagewin/image_table.h"
#include "imaging/draw_state.h"
#include "platform/draw/draw.h"
#include "platform/draw/surface.h"
#include "pxk.h"

// Puts a zeroed image of the given size and depth into the slot and makes it current.
// The surface is allocated here rather than by the layer so that these tests need nothing
// but the image table.
inline void FreeTestImage(int index);

inline void MakeTestImage(int index, int width, int height, int bits) {
    FreeTestImage(index);
    Surface* s = static_cast<Surface*>(calloc(1, sizeof(Surface)));
    s->width = width;
    s->height = height;
    s->bits = bits;
    s->stride = bits == 32 ? width * 4 : (width + 3) & ~3;
    s->pixels = static_cast<uint8_t*>(calloc((size_t)s->stride * (size_t)height, 1));
    for (int i = 0; i < 256; i++) s->palette[i] = (uint32_t)i * 0x010101u;
    ImageRecord& r = image_table[index];
    r.bits = bits;
    r.width = width;
    r.height = height;
    r.zoom = 100;
    r.view_width = width;
    r.view_height = height;
    r.fit_screen = 1;
    r.dib = s;
    // The colour table is reached through the memory context, as in the store.
    r.memory_dc = PlatCreateMemoryContext(s);
    image_pixels[index] = s->pixels;
    r.in_use.store(1);
    PXK_SelectImage(index);
}

inline void FreeTestImage(int index) {
    ImageRecord& r = image_table[index];
    if (!r.dib) return;
    r.in_use.store(0);
    free(r.dib->pixels);
    free(r.dib);
    r.dib = nullptr;
    PlatDeleteContext(r.memory_dc);
    r.memory_dc = nullptr;
    image_pixels[index] = nullptr;
}

// The raw bytes of a slot's pixel memory, padding included.
inline std::vector<uint8_t> ImageBytes(int index) {
    const ImageRecord& r = image_table[index];
    const size_t n = (size_t)ImageStride(&r) * (size_t)r.height;
    return std::vector<uint8_t>(image_pixels[index], image_pixels[index] + n);
}

inline void SetImageBytes(int index, const std::vector<uint8_t>& bytes) {
    memcpy(image_pixels[index], bytes.data(), bytes.size());
}

class ImagingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetImageTable();
        ResetDrawState();
    }
    void TearDown() override {
        for (int i = 0; i < IMAGE_SLOTS; i++) FreeTestImage(i);
        ResetImageTable();
    }
};
