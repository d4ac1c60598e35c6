// The image window's commands built in this folder besides Load and Save: the Zoom... and
// Resize... prompts in text window 0, Invert, the flips, the quarter turns, the four size
// steps and Clipping. Each is a command body of (window, slot index) for the command table.
#pragma once

#include "platform/plat_types.h"

// The number of a prompt's answer: leading blanks, an optional sign and decimal digits, read
// in the "C" locale and clamped to the int range; no digits read as 0. False (value
// untouched) for an empty answer, which is what an abandoned prompt gives.
bool ParsePromptNumber(const char* line, int* value);

void ZoomPromptCommand(WindowId window, int index);
void ResizePromptCommand(WindowId window, int index);
void InvertCommand(WindowId window, int index);
void HorizontalFlipCommand(WindowId window, int index);
void VerticalFlipCommand(WindowId window, int index);
void RightRotateCommand(WindowId window, int index);
void LeftRotateCommand(WindowId window, int index);
void Size50Command(WindowId window, int index);
void Size71Command(WindowId window, int index);
void Size141Command(WindowId window, int index);
void Size200Command(WindowId window, int index);
void ClippingCommand(WindowId window, int index);
