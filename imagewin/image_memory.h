// Whether the pixels of a new image can be held in memory. Pixel buffers are reserved
// lazily by the system, so an image that does not fit would be "made" and the process killed
// later, at the first drawing that touches its pages. Creation therefore counts the buffers
// of all live images together with the new one against what the machine and the process's
// control group still have.
#pragma once

#include <stdint.h>

#include "platform/memory_limits.h"

// Bytes of a pixel buffer: height rows of 4 * width (32 bits) or width padded to 4 (8 bits).
uint64_t ImageBufferBytes(int width, int height, int bits);
// Bytes of the pixel buffers of every image in use.
uint64_t LiveImageBytes(void);
