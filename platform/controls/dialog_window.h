// What the layer's modal dialogs share: a captioned window centred on the work area around a
// client of a given size, and the nested pump that serves the thread until the dialog is
// answered.
#pragma once

#include "platform/plat_types.h"

// A hidden, topmost dialog window of the class, owned by owner, with data as its window data;
// 0 when it cannot be made.
WindowId CreateCenteredDialog(const char* class_name, const char16_t* title, PlatSize client, WindowId owner,
                              intptr_t data);
// Serves the thread's messages until *answer is non-zero, the window is gone, or a quit
// arrives (which stays posted for the loops outside).
void ServeDialog(WindowId window, const int* answer);
