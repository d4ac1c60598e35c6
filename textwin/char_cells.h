// How many cells a character takes in a text window: two when the console font draws it
// wider than one cell (IPAGothic draws the degree sign, Greek, Cyrillic, box drawing and the
// circled digits 16 pixels wide, not only what Unicode calls wide), else one. Wrapping, the
// cursor, backspace and painting all count with this, so characters never overlap.
#pragma once

#include <stdint.h>

// The answer for characters past ASCII, from a table filled from the font on first use.
int TableCharCells(uint32_t code_point);

inline int ConsoleCharCells(uint32_t code_point) { return code_point < 0x80 ? 1 : TableCharCells(code_point); }
