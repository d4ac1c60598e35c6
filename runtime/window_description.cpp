// Writing a window description: growing texts that record running out of memory instead of
// failing on the spot, so a kind can write its whole part without checking every call, and
// the escaping that makes any text from a window a C string literal that compiles.
#include "runtime/window_description.h"

#include "platform/window/window.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static bool Reserve(DescriptionText* text, size_t more) {
    if (text->failed) return false;
    size_t need = text->length + more + 1;
    if (need <= text->capacity) return true;
    size_t capacity = text->capacity ? text->capacity : 4096;
    while (capacity < need) capacity *= 2;
    char* grown = (char*)realloc(text->data, capacity);
    if (!grown) {
        text->failed = true;
        return false;
    }
    text->data = grown;
    text->capacity = capacity;
    return true;
}

static void Append(DescriptionText* text, const char* piece, size_t length) {
    if (!Reserve(text, length)) return;
    memcpy(text->data + text->length, piece, length);
    text->length += length;
    text->data[text->length] = 0;
}

// Formats straight into the text; the first pass measures, so nothing is ever cut.
static void AppendFormatV(DescriptionText* text, const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    int n = vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (n <= 0 || !Reserve(text, (size_t)n)) return;
    vsnprintf(text->data + text->length, (size_t)n + 1, format, args);
    text->length += (size_t)n;
}

static bool GrowPieces(WindowDescription* d) {
    if (d->piece_count < d->piece_capacity) return true;
    int capacity = d->piece_capacity ? d->piece_capacity * 2 : 64;
    ReportPiece* grown = (ReportPiece*)realloc(d->pieces, sizeof(ReportPiece) * (size_t)capacity);
    if (!grown) {
        d->report.failed = true;
        return false;
    }
    d->pieces = grown;
    d->piece_capacity = capacity;
    return true;
}

void DescribeReport(WindowDescription* d, int tone, const char* format, ...) {
    if (d->report.failed || !GrowPieces(d)) return;
    size_t start = d->report.length;
    va_list args;
    va_start(args, format);
    AppendFormatV(&d->report, format, args);
    va_end(args);
    // The piece's NUL stays in the text, so that each piece reads as a string of its own.
    if (!Reserve(&d->report, 1)) return;
    d->report.length++;
    d->report.data[d->report.length] = 0;
    d->pieces[d->piece_count++] = ReportPiece{start, tone};
}

void DescribeSource(WindowDescription* d, const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatV(&d->source, format, args);
    va_end(args);
}

static int EscapeByte(unsigned char c, bool after_question, char* out) {
    switch (c) {
    case '\\': return snprintf(out, 5, "\\\\");
    case '"': return snprintf(out, 5, "\\\"");
    case '\n': return snprintf(out, 5, "\\n");
    case '\r': return snprintf(out, 5, "\\r");
    case '\t': return snprintf(out, 5, "\\t");
    case '?': return snprintf(out, 5, after_question ? "\\?" : "?");
    default: break;
    }
    // Three octal digits always, so that a digit after it is never taken into the escape.
    if (c < 0x20 || c == 0x7F) return snprintf(out, 5, "\\%03o", c);
    out[0] = (char)c;
    return 1;
}

void DescribeSourceString(WindowDescription* d, const char* bytes) {
    char piece[8];
    bool after_question = false;
    for (const unsigned char* p = (const unsigned char*)bytes; *p; p++) {
        int n = EscapeByte(*p, after_question, piece);
        Append(&d->source, piece, (size_t)n);
        after_question = *p == '?';
    }
}

const char* ReportPieceText(const WindowDescription* d, int i) { return d->report.data + d->pieces[i].start; }

bool DescriptionFailed(const WindowDescription* d) { return d->report.failed || d->source.failed; }

void FreeWindowDescription(WindowDescription* d) {
    free(d->report.data);
    free(d->source.data);
    free(d->pieces);
    *d = WindowDescription{};
}

PlatPoint DescribedPosition(WindowId window) {
    PlatRect r{0, 0, 0, 0};
    PlatGetWindowRect(window, &r);
    return PlatPoint{r.left, r.top};
}

int SourceCoordinate(int coordinate) { return coordinate < 0 ? 0 : coordinate; }
