// The TrueType text colour's storage.
#include "imagewin/truetype_color.h"

PXK_Color pxk_tttc = 0xFFFFFF;
