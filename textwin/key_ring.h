// The key ring between the text window procedure and a running line input, the paste
// request, and the last line entered.
//
// The ring holds 256 UTF-16 units. It has one writer, the thread that owns the text windows
// (their procedure), and one reader, the thread running the line input; each side owns one
// counter and publishes it with a release store, so neither ever sees a unit half written.
// Units the reader itself wants in the ring (clipboard text) are handed to the writer's
// thread as a message, so the ring never has two writers.
#pragma once

#include <atomic>
#include <stdint.h>

enum { KEY_RING_UNITS = 256 };

enum { PASTE_NONE = 0, PASTE_RECALL = 1, PASTE_CLIPBOARD = 2 };

namespace pxk {
// 0, PASTE_RECALL or PASTE_CLIPBOARD; set by the key-down handler, cleared by the reader.
extern std::atomic<int> paste_request;
// The last line entered, NUL-terminated, for recall with the Up arrow. Written and read
// only by the thread that runs line input at the time.
extern char16_t last_line[256];
// The key press whose characters no line takes (KeyPressOf of a key message; 0 none): the
// Space that opened the command console types a space after its key-down, which must not
// become the first character of the command.
extern std::atomic<int> ignored_key_press;
// Counts the line inputs that are about to start: from the moment the console decides to
// read a line until its input is active, typed units are kept for that line (printing the
// prompt pumps messages, and what is typed meanwhile belongs to the line).
extern std::atomic<int> lines_expected;
}  // namespace pxk
using pxk::paste_request, pxk::last_line, pxk::ignored_key_press, pxk::lines_expected;

// Writer side: stores a unit unless the ring is full; false when it was dropped.
bool PutKeyUnit(char16_t unit);
// Reader side: the next unit, or 0 when the ring is empty.
char16_t TakeKeyUnit(void);
// Number of units waiting.
int KeyRingCount(void);
bool KeyRingFull(void);
// Empties the ring and clears the paste request and the last line (start-up).
void ResetKeyRing(void);

// Reads UTF-16 text from the clipboard into units, up to the first NUL, line feed or
// carriage return and at most max units; returns how many.
int ReadClipboardLine(char16_t* units, int max);
