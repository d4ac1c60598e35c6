// The Information commands of the image window: the pixel report printed in the current
// text window, the row profiles (RGB, HSV, YCrCb, luminance) and the chroma plots of a row
// or a rectangle, each in a new window of its own. Each body runs its point tool on the image
// in slot `index` (shown in `window`) and does nothing when the tool ends without a choice.
// The profiles and chroma plots of colours need a 32-bit image and the luminance profile an
// 8-bit one; any other image is refused before the tool starts.
#pragma once

#include "platform/plat_types.h"

void ShowPixelInfo(WindowId window, int index);
void ShowRgbProfile(WindowId window, int index);
void ShowHsvProfile(WindowId window, int index);
void ShowYCrCbProfile(WindowId window, int index);
void ShowLuminanceProfile(WindowId window, int index);
void ShowRowChroma(WindowId window, int index);
void ShowAreaChroma(WindowId window, int index);
