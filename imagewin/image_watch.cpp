// The inspector's handlers as the image windows see them.
#include "imagewin/image_watch.h"

ImageInspection pxk::image_inspection{};
bool pxk::image_inspection_open = false;

void RegisterImageInspection(const ImageInspection& handlers) { image_inspection = handlers; }

void InspectionToggle(void) {
    if (image_inspection.toggle) image_inspection.toggle();
}
