// TrueType text drawn into the current image: the walk over UTF-8 text, one character or
// control code at a time, and the size and style changes of the image text font with the
// cache that keeps earlier styles' fonts.
#include "imaging/truetype_text.h"

#include "imaging/draw_state.h"
#include "imagewin/image_table.h"
#include "platform/draw/draw.h"
#include "platform/font/font.h"
#include "platform/text.h"
#include "runtime/startup_state.h"

#include <stdint.h>
#include <string.h>

// Fonts that were image_text_font before, newest first. Eight covers every combination of
// the three style switches of one size and face.
enum { KEPT_FONTS = 8 };
static Font* kept_fonts[KEPT_FONTS];

static bool SameDesc(const FontDesc& a, const FontDesc& b) {
    for (int i = 0; i < FONT_FACE_UNITS; i++) {
        if (a.face[i] != b.face[i]) return false;
        if (a.face[i] == 0) break;
    }
    return a.height == b.height && a.width == b.width && a.weight == b.weight && a.italic == b.italic &&
           a.underline == b.underline && a.strike_out == b.strike_out && a.quality == b.quality;
}

// Takes the kept font with this description out of the cache; null when there is none.
static Font* TakeKeptFont(const FontDesc& desc) {
    for (int i = 0; i < KEPT_FONTS; i++) {
        FontDesc d;
        if (!kept_fonts[i]) continue;
        PlatGetFontDesc(kept_fonts[i], &d);
        if (!SameDesc(d, desc)) continue;
        Font* f = kept_fonts[i];
        memmove(&kept_fonts[i], &kept_fonts[i + 1], (KEPT_FONTS - 1 - i) * sizeof(Font*));
        kept_fonts[KEPT_FONTS - 1] = nullptr;
        return f;
    }
    return nullptr;
}

// Puts a font that is no longer current at the front of the cache; the oldest one falls out
// and is deleted (it is selected nowhere: text selects the font only while it draws).
static void KeepFont(Font* font) {
    if (!font) return;
    PlatDeleteFont(kept_fonts[KEPT_FONTS - 1]);
    memmove(&kept_fonts[1], &kept_fonts[0], (KEPT_FONTS - 1) * sizeof(Font*));
    kept_fonts[0] = font;
}

int SetImageTextFont(const FontDesc* desc) {
    if (!desc) return 1;
    FontDesc current;
    if (image_text_font) {
        PlatGetFontDesc(image_text_font, &current);
        if (SameDesc(current, *desc)) return 0;
    }
    Font* font = TakeKeptFont(*desc);
    if (!font) font = PlatCreateFont(desc);
    if (!font) return 1;
    Font* old = image_text_font;
    image_text_font = font;
    KeepFont(old);
    return 0;
}

// Recreates the font with one field of its description changed.
static void ChangeStyle(int FontDesc::*field, int value) {
    if (!image_text_font) return;
    FontDesc d;
    PlatGetFontDesc(image_text_font, &d);
    d.*field = value;
    SetImageTextFont(&d);
}

static int SaturatingAdd(int v, int add) {
    int64_t s = (int64_t)v + add;
    return s > INT32_MAX ? INT32_MAX : s < INT32_MIN ? INT32_MIN : (int)s;
}

static void ControlCode(int code) {
    switch (code) {
    case 1: ChangeStyle(&FontDesc::italic, 1); break;
    case 2: ChangeStyle(&FontDesc::italic, 0); break;
    case 3: ChangeStyle(&FontDesc::weight, 700); break;
    case 4: ChangeStyle(&FontDesc::weight, 400); break;
    case 5: ChangeStyle(&FontDesc::underline, 1); break;
    case 6: ChangeStyle(&FontDesc::underline, 0); break;
    case 10:
        draw_state.text_y = SaturatingAdd(draw_state.text_y, draw_state.tt_line_height);
        draw_state.text_x = draw_state.text_margin;
        break;
    default: break;
    }
}

// One code point as UTF-16; 0 units for what is no character (surrogates, beyond U+10FFFF).
static int EncodeUtf16(uint32_t cp, char16_t* out) {
    if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
    if (cp < 0x10000) {
        out[0] = (char16_t)cp;
        return 1;
    }
    if (cp > 0x10FFFF) return 0;
    cp -= 0x10000;
    out[0] = (char16_t)(0xD800 + (cp >> 10));
    out[1] = (char16_t)(0xDC00 + (cp & 0x3FF));
    return 2;
}

// Draws one character on the image's memory context and returns its full advance.
static int DrawCharacter(DrawContext* dc, uint32_t cp, const char16_t* units, int count) {
    Font* previous = dc->font;
    PlatSetTextColor(dc, pxk_tttc & 0x00FFFFFFu);
    PlatSetBackMode(dc, BACK_TRANSPARENT);
    PlatSelectFont(dc, image_text_font);
    int top = (int)((int64_t)draw_state.text_y - draw_state.tt_line_height + 1);
    PlatTextOut(dc, draw_state.text_x, top, units, count);
    CharWidths w{};
    int advance = PlatGetCharWidths(dc, cp, &w) == 0 ? w.a + w.b + w.c : 0;
    PlatSelectFont(dc, previous);
    return advance;
}

extern "C" void PXK_DrawTrueTypeChar(int code) {
    if (code < 0) return;
    if (code < 32) {
        ControlCode(code);
        return;
    }
    char16_t units[2];
    const int count = EncodeUtf16((uint32_t)code, units);
    ImageRecord* r = CurrentImageRecord();
    if (count == 0 || !image_text_font || !r->in_use.load(std::memory_order_acquire) || !r->memory_dc) return;
    draw_state.text_x = SaturatingAdd(draw_state.text_x, DrawCharacter(r->memory_dc, (uint32_t)code, units, count));
}

extern "C" void PXK_DrawTrueTypeText(const char* text) {
    if (!text) return;
    const int length = (int)strlen(text);
    int i = 0;
    while (i < length) {
        uint32_t cp = 0;
        const int used = Utf8Decode(text + i, length - i, &cp);
        if (used == 0) return;   // an incomplete character at the end is not drawn
        // A byte that starts no valid sequence decodes as U+FFFD: it is skipped.
        if (!(used == 1 && (unsigned char)text[i] >= 0x80)) PXK_DrawTrueTypeChar((int)cp);
        i += used;
    }
}

extern "C" int PXK_SetTextFontSize(int width, int height) {
    // No font has cells of no size: the old font and its line height stay.
    if (width < 1 || height < 1) return 1;
    draw_state.tt_char_width = width / 2;
    draw_state.tt_line_height = height;
    if (!image_text_font) return 1;
    FontDesc d;
    PlatGetFontDesc(image_text_font, &d);
    d.width = draw_state.tt_char_width;
    d.height = draw_state.tt_line_height;
    return SetImageTextFont(&d);
}
