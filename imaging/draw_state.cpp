// The drawing state and its small setters for user programs.
#include "imaging/draw_state.h"

DrawState pxk::draw_state = {0x00FFFFFF, 0, 0, 0, 0, 0, 8, 16};
PXK_Color pxk::pxk_tc = 0;
PXK_Color pxk::pxk_tttc = 0x00FFFFFF;

void ResetDrawState() {
    draw_state = DrawState{0x00FFFFFF, 0, 0, 0, 0, 0, 8, 16};
    pxk_tc = 0;
    pxk_tttc = 0x00FFFFFF;
}

extern "C" void PXK_SetDrawColor(PXK_Color color) { draw_state.draw_color = color; }
extern "C" PXK_Color PXK_GetDrawColor(void) { return draw_state.draw_color; }

extern "C" void PXK_SetTextPos(int x, int y) {
    draw_state.text_x = x;
    draw_state.text_margin = x;
    draw_state.text_y = y;
}

extern "C" void PXK_SetTextMargin(int x) { draw_state.text_margin = x; }
extern "C" void PXK_SetTextColor(PXK_Color color) { pxk_tc = color; }
