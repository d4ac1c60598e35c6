// The caption of an image window: title, zoom, "[8bit]" for 8-bit images and "*" while the
// halftone stretch mode is on, for example "test_pattern(35%)*" or "007(100%)[8bit]".
#pragma once

enum { IMAGE_CAPTION_MAX = 255 };   // bytes, without the terminator

// Formats the caption into out (size bytes, at most IMAGE_CAPTION_MAX + 1 used). A title too
// long for the caption is cut at a character boundary so that the zoom and the suffixes stay
// whole. Returns the caption's length in bytes.
int FormatImageCaption(const char* title, int zoom, int bits, bool halftone, char* out, int size);
