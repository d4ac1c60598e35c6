// The boxes' part of the window report: where the input box and the button box are, their
// sizes and labels, and the calls that open them again.
#pragma once

struct WindowDescription;

// The describe entries of the two box kinds; each writes nothing while its box is closed.
void DescribeInputBox(WindowDescription* out);
void DescribeButtonBox(WindowDescription* out);
