// The layer's colour dialog: 48 basic swatches, 16 custom colours that the caller keeps, the
// colour as red, green and blue and as hue, saturation and value, a preview, and OK, Cancel
// and "Add to custom colours". Modal on the caller's thread with a nested pump, like the
// message box. Colours are 0x00RRGGBB throughout.
#pragma once

#include "platform/plat_types.h"

#include <stdint.h>

enum { COLOR_BASIC_COUNT = 48, COLOR_CUSTOM_COUNT = 16 };

// The parts of the dialog, in the order Tab visits them.
enum ColorDialogPart {
    COLORDLG_BASIC,
    COLORDLG_CUSTOM,
    COLORDLG_HUE,
    COLORDLG_SAT,
    COLORDLG_VAL,
    COLORDLG_RED,
    COLORDLG_GREEN,
    COLORDLG_BLUE,
    COLORDLG_ADD,
    COLORDLG_OK,
    COLORDLG_CANCEL,
    COLORDLG_PARTS
};

// Opens the dialog owned by owner, started from *color and the custom colours custom[16].
// On OK *color takes the chosen colour and custom[] the custom colours as the dialog left
// them; returns IDOK. Otherwise (Esc, Cancel, the close box, a quit) returns IDCANCEL and
// changes neither.
int PlatChooseColor(WindowId owner, uint32_t* color, uint32_t* custom);

// What the open dialog shows, for the test driver.
struct ColorDialogView {
    uint32_t color;                      // the preview's colour
    int fields[6];                       // hue, saturation, value, red, green, blue as shown
    int focus;                           // a ColorDialogPart
    int basic_selected;                  // the marked basic swatch, or -1
    int custom_selected;                 // the marked custom swatch (where Add puts the colour)
    uint32_t custom[COLOR_CUSTOM_COUNT];
};
// The colour dialog on screen now, or 0.
WindowId PlatGetOpenColorDialog(void);
// Copies what the open dialog shows; false when none is open.
bool PlatReadColorDialog(ColorDialogView* view);
// The client rectangle of a part (for the swatch grids: of swatch `index`); false for a part
// or index that does not exist.
bool PlatColorDialogPartRect(int part, int index, PlatRect* rect);
// The client rectangle of the label of a number field (COLORDLG_HUE .. COLORDLG_BLUE): its
// text as shown, without the '&'; false for any other part.
bool PlatColorDialogLabelRect(int part, PlatRect* rect);
