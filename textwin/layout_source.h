// The source generator of the window report: PXK_ calls, one tab-indented call per line, that
// create the windows of a layout again at the same places and sizes. The text grows as long
// as the layout needs, and every text from a window is written as a C string literal that
// compiles whatever it holds.
#pragma once

#include <stddef.h>

struct WindowLayout;

// A growing NUL-terminated text; `failed` is set when memory ran out (the text then stops
// growing and must not be used).
struct SourceText {
    char* data;
    size_t length;
    size_t capacity;
    bool failed;
};

void AppendSource(SourceText* text, const char* piece, size_t length);
// printf-style append ("C" numbers).
void AppendSourceFormat(SourceText* text, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
// Appends bytes as the inside of a C string literal: \\ \" \n \r \t, other control bytes in
// octal, a ? after a ? as \? (no trigraph can form), every other byte, UTF-8 included, as is.
void AppendCStringBody(SourceText* text, const char* bytes);
void FreeSourceText(SourceText* text);

// Generates the whole source of the layout into text (which starts empty).
void GenerateLayoutSource(const WindowLayout* layout, SourceText* text);
