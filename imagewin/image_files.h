// The drawing step of loading an image file, shared by the loader (into the current image) and
// by opening a file as a new image.
#pragma once

#include "codec/codec.h"

// Draws the kept part of a decoded picture into the current image (which must be in use) with
// the picture's top-left at (x, y), as PXK_LoadImageFile does: into an 8-bit image the file's
// colour table first replaces the first entries of the image's. Does not repaint.
void DrawDecodedPicture(const DecodedImage& d, int x, int y);
