// The text windows' part of the window report: where each open text window is and the call
// that opens it again.
#pragma once

struct WindowDescription;

// The describe entry of the text windows' kind: the "[Text Window]" section, always present,
// with one line per open text window in id order.
void DescribeTextWindows(WindowDescription* out);
