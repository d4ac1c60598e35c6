// The routines behind the profile windows: the row reader that copies one image row into a
// buffer, the profile plotter that draws one colour component of such a row as a curve 128
// pixels high, and the chroma plots that place every pixel of a row or a rectangle on a
// 256 x 256 Cb/Cr plane. All of them draw into the current image, which their callers have
// just created as the graph window.
#pragma once

#include <stdint.h>

#include "pxk.h"

// Selector words of the profile plotter: one component bit (the first set, in this order,
// wins) and a mode bit.
enum {
    PROFILE_RED = 0x1,
    PROFILE_GREEN = 0x2,
    PROFILE_BLUE = 0x4,
    PROFILE_HUE = 0x8,
    PROFILE_SATURATION = 0x10,
    PROFILE_VALUE = 0x20,
    PROFILE_POINTS = 0x40,     // every point stored alone
    PROFILE_LINES = 0x80,      // a polyline through the points
    PROFILE_LUMINANCE = 0x100,
    PROFILE_CR = 0x200,        // Cr + 128
    PROFILE_CB = 0x400,        // Cb + 128
    PROFILE_BYTE = 0x1000      // the entry itself, from a byte buffer
};

enum { PROFILE_HEIGHT = 128, CHROMA_PLANE = 256 };

// Copies count entries of row y of the current image into buffer: 32-bit words from a 32-bit
// image, bytes (colour indices) from an 8-bit one. Entry i is pixel (i, y), or 0 where i or
// y lies outside the image. Nothing happens when the current slot is free.
void ReadImageRow(void* buffer, int y, int count);

// Draws one curve of count points from buffer (32-bit colours, or bytes for PROFILE_BYTE):
// point i at x = x_offset + i, y = 127 - val * 127 / scale. A selector without a component
// or a mode bit draws nothing.
void PlotProfile(const void* buffer, int x_offset, int count, int selector, PXK_Color color);

// Where a colour lands on the chroma plane: x = 128 + Cb, y = 128 - Cr.
struct ChromaPoint {
    int x, y;
};
ChromaPoint ChromaOf(uint32_t color);

// The axes and labels, then one polyline through the row's points whose colour alternates
// between white and 0xFF00FF segment by segment, so that the direction can be followed.
void PlotRowChroma(const uint32_t* buffer, int count);
// The axes and labels, then one white polyline per row of the h x w rectangle in buffer
// (rows packed back to back); rows are not joined to each other.
void PlotAreaChroma(int h, const uint32_t* buffer, int w);
