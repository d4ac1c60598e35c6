// What tests read of the image table of the running program. The per-slot reads run on the
// worker (the test file's UserMain serves jobs, see worker_jobs.h), where the images live.
#pragma once

#include "platform/plat_types.h"

// The window of image `index`, its zoom in percent and whether the slot is in use.
WindowId ImageWindow(int index);
int ImageZoom(int index);
int ImageInUse(int index);
// The current image's index.
int CurrentImage(void);
// How many slots are in use, read from any thread (the flags are atomic).
int ImagesInUse(void);
