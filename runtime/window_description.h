// What the window kinds say about their open windows for the window report: report lines, in
// pieces that each have a tone (a section heading, plain text, an image's bits ...), and the
// source of PXK_ calls that create the windows again, one tab-indented call per line. Each
// kind writes its own part through the describe entry of its record in the window-kind table;
// the report above every kind decides the colours and where the text goes.
//
// A description is written whole before anything is printed: printing pumps messages, and a
// window closed by the user in the meantime must neither change the report halfway nor leave
// a pointer into a freed record. Nothing in it points into a window's record.
#pragma once

#include "platform/plat_types.h"

#include <stddef.h>

// The tones of report pieces; the report gives each its colour.
enum ReportTone { TONE_TEXT, TONE_SECTION, TONE_BITS, TONE_FIT };

// Texts read from windows (labels, buttons) are described as the windows show them, at most
// DESCRIBED_TEXT_BYTES - 1 bytes.
enum { DESCRIBED_TEXT_BYTES = 256 };

// A growing text; `failed` is set when memory ran out (the text then stops growing and must
// not be used).
struct DescriptionText {
    char* data;
    size_t length;
    size_t capacity;
    bool failed;
};

struct ReportPiece {
    size_t start;   // offset of the piece's NUL-terminated text in the report text
    int tone;
};

struct WindowDescription {
    DescriptionText report;   // the report pieces one after another, each NUL-terminated
    ReportPiece* pieces;
    int piece_count;
    int piece_capacity;
    DescriptionText source;   // the PXK_ calls, NUL-terminated
};

// Appends a report piece in this tone (printf-style, "C" numbers, of any length).
void DescribeReport(WindowDescription* description, int tone, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;
// Appends to the source (printf-style, of any length).
void DescribeSource(WindowDescription* description, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
// Appends bytes to the source as the inside of a C string literal: \\ \" \n \r \t, other
// control bytes in octal, a ? after a ? as \? (no trigraph can form), every other byte, UTF-8
// included, as is.
void DescribeSourceString(WindowDescription* description, const char* bytes);
// The text of piece i.
const char* ReportPieceText(const WindowDescription* description, int i);
bool DescriptionFailed(const WindowDescription* description);
// Releases the texts and empties the description.
void FreeWindowDescription(WindowDescription* description);

// A window's outer left and top on the screen.
PlatPoint DescribedPosition(WindowId window);
// A coordinate as a create call in the source takes it. The create operations read a negative
// position as "the default place", so a window partly off the screen to the left or top is
// generated at 0: the call then puts it at the screen's edge instead of somewhere else.
int SourceCoordinate(int coordinate);
