// The colour of TrueType text drawn into images, 0xRRGGBB, white at start. The command
// console shows it beside the bitmap-font text colour.
#pragma once

#include "pxk.h"

extern PXK_Color pxk_tttc;
