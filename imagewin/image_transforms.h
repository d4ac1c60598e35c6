// Whole-image processing of the image window: Invert, the two flips, the quarter turns and
// the four size steps, each on the image in one slot. The turns and size steps make the
// image again at its new size; they check that the new size can be shown and held, with the
// old pixels still live beside the new ones, before anything of the old image is given up,
// so a size that cannot be made leaves the image exactly as it was.
#pragma once

enum {
    TRANSFORM_DONE = 0,
    TRANSFORM_NO_IMAGE = 1,     // the slot is free or outside the table
    TRANSFORM_NO_FIT = 2,       // no zoom shows the new size within the screen limits
    TRANSFORM_NO_MEMORY = 3     // the new pixels cannot be held beside the old ones
};

// 32-bit: the colour bits of every pixel flip (XOR 0x00FFFFFF), the top byte stays;
// 8-bit: index i becomes 255 - i. 0 done, 1 no image.
int InvertImage(int index);
// Mirror in place: horizontal, pixel (x, y) takes (W - 1 - x, y); vertical, (x, H - 1 - y).
int FlipImage(int index, bool horizontal);
// Quarter turn; the W x H image becomes H x W. Clockwise: new (x, y) = old (y, H - 1 - x);
// anticlockwise: new (x, y) = old (W - 1 - y, x). One of the TRANSFORM_ codes.
int RotateImage(int index, bool clockwise);
// Scales by per_mille / 1000 to (W * f + 500) / 1000 x (H * f + 500) / 1000 with the image's
// stretch mode. One of the TRANSFORM_ codes.
int ScaleImage(int index, int per_mille);
