// A plain description of every framework window, read straight from the window tables: the
// round-trip test describes the layout it built and the layout the generated source built
// in a program of its own, and compares the two texts. Runs on the worker thread.
#pragma once

#include <string>

std::string DescribeLayout(void);
