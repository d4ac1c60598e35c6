// The shared point-tool input variables, and the clicks that wait behind the one the running
// tool has not taken yet. All on the worker thread.
#include "imagewin/point_input.h"

PointToolInput pxk::point_input = {0, -1, 0, 0, 0, 0, 0, 0, 0, 0};

namespace {
// Clicks beyond these few, before the tool took any of them, are not a user's clicks on a
// point tool but a flood: they are dropped.
enum { WAITING_CLICKS = 16 };
struct WaitingClick {
    int x, y, shift;
};
WaitingClick waiting[WAITING_CLICKS];
int waiting_count = 0;
}  // namespace

void ResetPointToolInput() {
    point_input = PointToolInput{0, -1, 0, 0, 0, 0, 0, 0, 0, 0};
    waiting_count = 0;
}

void PutToolClick(int x, int y, int shift) {
    if (!point_input.click_flag) {
        waiting_count = 0;
        point_input.click_flag = 1;
        point_input.click_x = x;
        point_input.click_y = y;
        point_input.click_shift = shift;
    } else if (waiting_count < WAITING_CLICKS) {
        waiting[waiting_count++] = WaitingClick{x, y, shift};
    }
}

void TakeToolClick(int* x, int* y) {
    *x = point_input.click_x;
    *y = point_input.click_y;
    point_input.click_flag = 0;
    if (waiting_count == 0) return;
    const WaitingClick next = waiting[0];
    for (int i = 1; i < waiting_count; i++) waiting[i - 1] = waiting[i];
    waiting_count--;
    point_input.click_flag = 1;
    point_input.click_x = next.x;
    point_input.click_y = next.y;
    point_input.click_shift = next.shift;
}
