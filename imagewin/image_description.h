// The image windows' part of the window report: each image's slot, bits, fit and place, and
// the create call that makes it again.
#pragma once

struct WindowDescription;

// The describe entry of the image windows' kind: the "[Image Window]" section, left out when
// no slot is in use, with one line per image in slot order.
void DescribeImageWindows(WindowDescription* out);
