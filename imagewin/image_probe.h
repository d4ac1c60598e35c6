// The size of a picture file read from its header alone, without decoding a pixel: what a
// file dropped on the main window needs to size its image window before the worker loads it.
// Knows PNG, JPEG, GIF, TIFF, BMP, ICO, WebP, HEIC and AVIF; the size is the shown picture's,
// after an Exif orientation or a HEIF rotation that turns it a quarter.
#pragma once

enum {
    PROBE_OK = 0,
    PROBE_UNREADABLE = 1,     // the file cannot be opened or read
    PROBE_UNKNOWN = 2,        // not one of the known formats, or a damaged header
    PROBE_NO_SIZE = 3         // a known format whose width or height is 0
};

// Reads the width and height in pixels of the picture in the file (UTF-8 path of any length).
// For an icon, the largest of its pictures (the first of equal ones). 0 on success; on failure
// *width and *height are 0.
int ProbeImageFileSize(const char* path, int* width, int* height);
// The same, and whether the picture's pixels index a colour table of its own that the decoder
// keeps (palette PNG, GIF with a global table, BMP of at most 8 bits, untiled palette TIFF).
int ProbeImageFileInfo(const char* path, int* width, int* height, bool* indexed);
// The same for a file's bytes already in memory.
int ProbeImageSize(const unsigned char* bytes, long size, int* width, int* height);
