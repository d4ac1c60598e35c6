// Mouse input for the interactive point tools. While a tool runs it names its target image and
// sets point_mode; the image windows then feed the mouse into these variables and ignore keys
// and popup menus. Written by the image window procedure and read by the running tool, both on
// the worker thread, so they are plain variables.
#pragma once

struct PointToolInput {
    int point_mode;     // 1 while a tool runs
    int target_image;   // index of the image the tool listens to; -1 when none
    int click_flag;     // a left button went down in the target window
    int click_x;        // image pixels: client position * 100 / zoom
    int click_y;
    int click_shift;    // 1 when Shift was held at the click
    int move_flag;      // the mouse moved in the target window
    int move_x;         // last move position; kept after a tool ends
    int move_y;
    int right_flag;     // a right or middle button went down in the target window
};

namespace pxk {
extern PointToolInput point_input;
}  // namespace pxk
using pxk::point_input;

// Back to idle: no tool, no target, all flags and positions 0.
void ResetPointToolInput();

// A left click in the target window: sets the click fields, or, while the tool has not yet
// taken the click before it (two clicks handled in one pump), waits behind it.
void PutToolClick(int x, int y, int shift);
// Takes the oldest click (click_flag set) and clears the flag, or raises it again for the next
// waiting click. x and y receive its position in image pixels.
void TakeToolClick(int* x, int* y);
