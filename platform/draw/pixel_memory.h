// Memory for surface pixels: small buffers from the heap, large ones as mappings of their own
// with huge-page advice, and the last large mappings freed kept a while for buffers that
// their next owner overwrites whole (a size step's new image), so that the system does not
// clear fresh pages that are about to be written anyway.
#pragma once

#include <stddef.h>
#include <stdint.h>

// From this size on, pixels are a mapping of their own.
const size_t kMappedPixelBytes = (size_t)1 << 20;

// Zeroed pixels of `bytes`, or null.
uint8_t* AllocatePixels(size_t bytes);
// Pixels of `bytes` whose content is undefined: the caller writes every byte it or anyone
// else will read before anything reads them. May be a kept mapping (no fresh pages), else
// as AllocatePixels.
uint8_t* AllocatePixelsToOverwrite(size_t bytes);
void FreePixels(uint8_t* pixels, size_t bytes);
// Gives every kept mapping back to the system (when memory is short).
void DropKeptPixels(void);
