// Text conversion between the system code page (UTF-8) and UTF-16, and character widths.
// Conversions never overrun their buffers and cut only at character boundaries.
#pragma once

#include "plat_types.h"

// Converts at most src_len bytes (negative: up to the NUL) into dst of dst_size units,
// always NUL-terminated when dst_size > 0. Returns the number of units written, without
// the terminator. Ill-formed input becomes U+FFFD.
int Utf8ToUtf16(const char* src, int src_len, char16_t* dst, int dst_size);
// Converts into dst of dst_size bytes, NUL-terminated, cut at a character boundary.
// Returns the number of bytes written, without the terminator.
int Utf16ToUtf8(const char16_t* src, int src_len, char* dst, int dst_size);
int Utf16Length(const char16_t* s);
// Length in bytes of the longest prefix of s (len bytes) that ends on a character boundary
// and is at most max_bytes long.
int Utf8CutLength(const char* s, int len, int max_bytes);
// Decodes one code point at s (len bytes available); returns its byte count (0 at an
// incomplete sequence at the end, 1 for an invalid byte, which decodes as U+FFFD).
int Utf8Decode(const char* s, int len, uint32_t* code_point);
// Decodes one code point from UTF-16; returns the units used (1 or 2).
int Utf16Decode(const char16_t* s, int len, uint32_t* code_point);
// 2 for characters Unicode marks East Asian Wide or Fullwidth, else 1.
int CharCellWidth(uint32_t code_point);
