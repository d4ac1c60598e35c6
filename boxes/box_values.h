// Numbers in the boxes' value strings, always in the "C" numeric rules whatever the desktop's
// language: written with 10 significant digits the way gcvt writes them ("4.5",
// "0.3333333333", "1e+20"), read back the way atof and atoi read them.
#pragma once

enum { BOX_VALUE_BYTES = 256 };

// Writes v into out (size bytes, NUL-terminated, cut to fit).
void FormatBoxValue(double v, char* out, int size);
void FormatBoxInt(int v, char* out, int size);
// atof: leading spaces, an optional sign, the longest number that follows; 0 when none.
double ParseBoxValue(const char* text);
// atoi: the same for a decimal integer; values beyond int are held at its limits.
int ParseBoxInt(const char* text);
