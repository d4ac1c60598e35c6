// The Exif orientation of a picture file: how a camera says its stored pixels are to be turned
// and mirrored for display. Read from a JPEG's APP1 Exif segment, a PNG's eXIf chunk, a WebP's
// EXIF chunk or a TIFF's own first directory, together with the stored size from the same
// headers, so that a decoder can map a part of the displayed picture back to the stored one.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct StoredOrientation {
    int orientation = 1;   // 1..8 as Exif numbers them; 1 stored as shown
    int64_t width = 0;     // the stored picture's size as its headers give it; 0 unknown
    int64_t height = 0;
};

// The orientation tag (274) of the first directory of a TIFF structure (an Exif block without
// its "Exif\0\0" prefix); 1 when there is none or the block is damaged. With width and height
// given, also the first directory's tags 256 and 257.
int ExifOrientation(const uint8_t* tiff, size_t size, int64_t* width = nullptr, int64_t* height = nullptr);
// The orientation and stored size of a whole JPEG, PNG, TIFF or WebP file; orientation 1 for
// other formats, files without one, and damaged headers.
StoredOrientation FindStoredOrientation(const uint8_t* data, size_t size);
