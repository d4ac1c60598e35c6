// UTF-8 <-> UTF-16 conversion with hard buffer limits, and East Asian cell widths.
// Conversions stop before a character that would not fit, so no buffer is overrun and no
// character is ever split.
#include "text.h"


int Utf8Decode(const char* s, int len, uint32_t* code_point) {
    if (len <= 0) return 0;
    const unsigned char* u = (const unsigned char*)s;
    unsigned char c = u[0];
    int need;
    uint32_t cp;
    if (c < 0x80) {
        *code_point = c;
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        need = 1;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        need = 2;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        need = 3;
        cp = c & 0x07;
    } else {
        *code_point = 0xFFFD;
        return 1;
    }
    for (int i = 1; i <= need; i++) {
        if (i >= len) {
            // A sequence cut by the end of the input: check that what is there is valid.
            for (int j = 1; j < len; j++)
                if ((u[j] & 0xC0) != 0x80) {
                    *code_point = 0xFFFD;
                    return 1;
                }
            return 0;
        }
        if ((u[i] & 0xC0) != 0x80) {
            *code_point = 0xFFFD;
            return 1;
        }
        cp = (cp << 6) | (u[i] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are invalid.
    if ((need == 2 && cp < 0x800) || (need == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
        *code_point = 0xFFFD;
        return 1;
    }
    *code_point = cp;
    return need + 1;
}

int Utf16Decode(const char16_t* s, int len, uint32_t* code_point) {
    if (len <= 0) {
        *code_point = 0;
        return 0;
    }
    uint32_t c = s[0];
    if (c >= 0xD800 && c <= 0xDBFF && len >= 2 && s[1] >= 0xDC00 && s[1] <= 0xDFFF) {
        *code_point = 0x10000 + ((c - 0xD800) << 10) + (s[1] - 0xDC00u);
        return 2;
    }
    if (c >= 0xD800 && c <= 0xDFFF) {
        *code_point = 0xFFFD;
        return 1;
    }
    *code_point = c;
    return 1;
}

static int StrLen8(const char* s) {
    int n = 0;
    while (s[n]) n++;
    return n;
}

int Utf16Length(const char16_t* s) {
    int n = 0;
    if (!s) return 0;
    while (s[n]) n++;
    return n;
}

int Utf8ToUtf16(const char* src, int src_len, char16_t* dst, int dst_size) {
    if (!dst || dst_size <= 0) return 0;
    if (!src) {
        dst[0] = 0;
        return 0;
    }
    if (src_len < 0) src_len = StrLen8(src);
    int i = 0, o = 0;
    while (i < src_len) {
        uint32_t cp;
        int used = Utf8Decode(src + i, src_len - i, &cp);
        if (used == 0) break;   // incomplete sequence at the end
        int units = cp >= 0x10000 ? 2 : 1;
        if (o + units > dst_size - 1) break;
        if (units == 2) {
            cp -= 0x10000;
            dst[o++] = (char16_t)(0xD800 + (cp >> 10));
            dst[o++] = (char16_t)(0xDC00 + (cp & 0x3FF));
        } else {
            dst[o++] = (char16_t)cp;
        }
        i += used;
    }
    dst[o] = 0;
    return o;
}

int Utf16ToUtf8(const char16_t* src, int src_len, char* dst, int dst_size) {
    if (!dst || dst_size <= 0) return 0;
    if (!src) {
        dst[0] = 0;
        return 0;
    }
    if (src_len < 0) src_len = Utf16Length(src);
    int i = 0, o = 0;
    while (i < src_len) {
        uint32_t cp;
        int used = Utf16Decode(src + i, src_len - i, &cp);
        char buf[4];
        int n;
        if (cp < 0x80) {
            buf[0] = (char)cp;
            n = 1;
        } else if (cp < 0x800) {
            buf[0] = (char)(0xC0 | (cp >> 6));
            buf[1] = (char)(0x80 | (cp & 0x3F));
            n = 2;
        } else if (cp < 0x10000) {
            buf[0] = (char)(0xE0 | (cp >> 12));
            buf[1] = (char)(0x80 | ((cp >> 6) & 0x3F));
            buf[2] = (char)(0x80 | (cp & 0x3F));
            n = 3;
        } else {
            buf[0] = (char)(0xF0 | (cp >> 18));
            buf[1] = (char)(0x80 | ((cp >> 12) & 0x3F));
            buf[2] = (char)(0x80 | ((cp >> 6) & 0x3F));
            buf[3] = (char)(0x80 | (cp & 0x3F));
            n = 4;
        }
        if (o + n > dst_size - 1) break;
        for (int k = 0; k < n; k++) dst[o++] = buf[k];
        i += used;
    }
    dst[o] = 0;
    return o;
}

int Utf8CutLength(const char* s, int len, int max_bytes) {
    if (len <= max_bytes) {
        // Still drop an incomplete sequence at the very end.
        max_bytes = len;
    }
    int i = 0;
    while (i < max_bytes) {
        uint32_t cp;
        int used = Utf8Decode(s + i, len - i, &cp);
        if (used == 0 || i + used > max_bytes) break;
        i += used;
    }
    return i;
}

int CharCellWidth(uint32_t cp) {
    // The East Asian Wide and Fullwidth ranges of Unicode (as wcwidth reports 2), written
    // out so the answer does not depend on the user's locale.
    static const uint32_t wide[][2] = {
        {0x1100, 0x115F},  {0x231A, 0x231B},  {0x2329, 0x232A},  {0x23E9, 0x23EC},
        {0x23F0, 0x23F0},  {0x23F3, 0x23F3},  {0x25FD, 0x25FE},  {0x2614, 0x2615},
        {0x2648, 0x2653},  {0x267F, 0x267F},  {0x2693, 0x2693},  {0x26A1, 0x26A1},
        {0x26AA, 0x26AB},  {0x26BD, 0x26BE},  {0x26C4, 0x26C5},  {0x26CE, 0x26CE},
        {0x26D4, 0x26D4},  {0x26EA, 0x26EA},  {0x26F2, 0x26F3},  {0x26F5, 0x26F5},
        {0x26FA, 0x26FA},  {0x26FD, 0x26FD},  {0x2705, 0x2705},  {0x270A, 0x270B},
        {0x2728, 0x2728},  {0x274C, 0x274C},  {0x274E, 0x274E},  {0x2753, 0x2755},
        {0x2757, 0x2757},  {0x2795, 0x2797},  {0x27B0, 0x27B0},  {0x27BF, 0x27BF},
        {0x2B1B, 0x2B1C},  {0x2B50, 0x2B50},  {0x2B55, 0x2B55},  {0x2E80, 0x303E},
        {0x3041, 0x33FF},  {0x3400, 0x4DBF},  {0x4E00, 0x9FFF},  {0xA000, 0xA4CF},
        {0xA960, 0xA97F},  {0xAC00, 0xD7A3},  {0xF900, 0xFAFF},  {0xFE10, 0xFE19},
        {0xFE30, 0xFE6F},  {0xFF00, 0xFF60},  {0xFFE0, 0xFFE6},  {0x16FE0, 0x16FE4},
        {0x17000, 0x18CFF}, {0x1B000, 0x1B2FF}, {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF},
        {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A}, {0x1F200, 0x1F251}, {0x1F300, 0x1F64F},
        {0x1F680, 0x1F6FF}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
    };
    if (cp < 0x1100) return 1;
    int lo = 0, hi = (int)(sizeof(wide) / sizeof(wide[0])) - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        if (cp < wide[mid][0]) hi = mid - 1;
        else if (cp > wide[mid][1]) lo = mid + 1;
        else return 2;
    }
    return 1;
}
