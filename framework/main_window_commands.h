// The main window's window-building commands: Image Window, Text Window, Input Box and Button
// Box with their prompts, Window Info, Paste of a picture and pictures dropped on the window.
// They run on the main thread, prompt in the current text window and have every window made
// by the worker through the request channel; they are registered with the main window.
#pragma once

struct Surface;

void RegisterMainWindowWork(void);

// The decimal number at the start of an answer (leading blanks, a sign, digits; 0 when there
// are none), held to the range of int instead of overflowing.
int AnswerNumber(const char* text);
// "%03d %s" of slot and name in at most 255 bytes, the name cut at a UTF-8 character
// boundary. out holds 256 bytes.
void FormatSlotTitle(char* out, int slot, const char* name);
// Pastes a picture as a new 32-bit image in the lowest slot that takes it; the bitmap is
// handed to the worker or freed.
void PastePicture(Surface* bitmap);
