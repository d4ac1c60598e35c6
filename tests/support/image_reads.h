// What tests read of the running program's images: the image table, whose per-slot reads run
// on the worker (the test file's UserMain serves jobs, see worker_jobs.h) where the images
// live, and the colours a window shows.
#pragma once

#include "platform/plat_types.h"

#include <stdint.h>

#include <vector>

// The window of image `index`, its zoom in percent and whether the slot is in use.
WindowId ImageWindow(int index);
int ImageZoom(int index);
int ImageInUse(int index);
// The current image's index.
int CurrentImage(void);
// How many slots are in use, read from any thread (the flags are atomic).
int ImagesInUse(void);
// The window's client pixels as colours 0xRRGGBB, rows packed; its size when asked for.
std::vector<uint32_t> ShownColors(WindowId window, int* width = nullptr, int* height = nullptr);
