// What tests read and write of the running program's images: the image table and the pixels,
// which live on the worker (the test file's UserMain serves jobs, see worker_jobs.h), and the
// colours a window shows.
#pragma once

#include "platform/plat_types.h"

#include <stdint.h>

#include <functional>
#include <vector>

// On the worker (inside a job): image `index`'s pixels, rows packed, 32-bit words whole and
// 8-bit indices widened; empty when the slot is free.
std::vector<uint32_t> ReadImagePixels(int index);
// On the worker: sets each pixel of image `index` to at(x, y) (an index for an 8-bit image).
void WriteImagePixels(int index, const std::function<uint32_t(int x, int y)>& at);

// From the test thread: the window of image `index`, its zoom in percent and whether the
// slot is in use.
WindowId ImageWindow(int index);
int ImageZoom(int index);
int ImageInUse(int index);
// The current image's index.
int CurrentImage(void);
// How many slots are in use, read from any thread (the flags are atomic).
int ImagesInUse(void);
// The window's client pixels as colours 0xRRGGBB, rows packed; its size when asked for.
std::vector<uint32_t> ShownColors(WindowId window, int* width = nullptr, int* height = nullptr);
