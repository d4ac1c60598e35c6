// Everything the text windows printed during a scripted run, kept per window as UTF-8 the way
// a log file holds it, so that a script can save a window's contents as text.
#pragma once

#include <string>

// Starts keeping the copies (before the program starts).
void StartTextCopies(void);
// What text window id printed so far.
std::string TextCopy(int id);
