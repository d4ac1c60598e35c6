// The shared point-tool input variables.
#include "imagewin/point_input.h"

PointToolInput pxk::point_input = {0, -1, 0, 0, 0, 0, 0, 0, 0, 0};

void ResetPointToolInput() {
    point_input = PointToolInput{0, -1, 0, 0, 0, 0, 0, 0, 0, 0};
}
