// What the image windows tell the inspector, which lives above them (imaging/): the I key,
// the pointer moving over an image, and an image shown again or gone. The inspector
// registers its handlers at start; while it is closed the image windows call nothing, so it
// costs them one flag test per message.
//
// Threads: the image windows and the inspector both belong to the worker thread.
#pragma once

struct ImageInspection {
    void (*toggle)(void);                       // I pressed in an image window
    void (*pointer)(int index, int x, int y);   // the pointer is over image pixel (x, y)
    void (*shown)(int index);                   // the image was redrawn, resized or destroyed
};

void RegisterImageInspection(const ImageInspection& handlers);
namespace pxk {
// Set by the inspector while its window is open.
extern bool image_inspection_open;
}  // namespace pxk
using pxk::image_inspection_open;

// The image windows' calls.
void InspectionToggle(void);
static inline void InspectionPointer(int index, int x, int y);
static inline void InspectionShown(int index);

namespace pxk {
extern ImageInspection image_inspection;
}  // namespace pxk
using pxk::image_inspection;

static inline void InspectionPointer(int index, int x, int y) {
    if (image_inspection_open && image_inspection.pointer) image_inspection.pointer(index, x, y);
}
static inline void InspectionShown(int index) {
    if (image_inspection_open && image_inspection.shown) image_inspection.shown(index);
}
