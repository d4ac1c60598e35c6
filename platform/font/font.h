// Fonts: FreeType rasterises, fontconfig finds faces. A font is made from a description that
// can be read back, changed in one field and used again. Characters a face lacks come from
// the first font of fontconfig's sorted list that has them.
#pragma once

#include "platform/plat_types.h"

#include <memory>
#include <string>
#include <vector>

// Units of a description's face name, its terminating zero included. Wide enough for every
// family name fontconfig lists, so that no name is ever cut short into another one.
enum { FONT_FACE_UNITS = 64 };

struct FontDesc {
    char16_t face[FONT_FACE_UNITS];   // family name, UTF-16 ("ＭＳ ゴシック" resolves to IPAGothic)
    int height;               // cell height in pixels (negative: character height)
    int width;                // average character width, 0 for the face's own
    int weight;               // 400 normal, 700 bold
    int italic;
    int underline;
    int strike_out;
    int quality;              // FONT_QUALITY_: how glyphs are rasterised
};

// FONT_QUALITY_DEFAULT smooths glyph edges, except for the Japanese gothic faces (IPAGothic,
// IPAPGothic) at 16 pixels per em or less, which are drawn with one colour per pixel the way
// the bitmap strikes of such faces look; FONT_QUALITY_MONO always draws one colour per pixel.
enum { FONT_QUALITY_DEFAULT = 0, FONT_QUALITY_MONO = 1, FONT_QUALITY_ANTIALIASED = 2 };

struct Font;

// Null only for a null description (a face that does not exist falls back to fontconfig's
// choice; a height of 0 means 16 pixels; heights and widths are limited to 1000 pixels, so
// that one glyph's bitmap stays within a few megabytes).
Font* PlatCreateFont(const FontDesc* desc);
void PlatDeleteFont(Font* font);
// A font owned by its holder: deleted when the holder goes, on every path out.
struct FontDeleter {
    void operator()(Font* font) const { PlatDeleteFont(font); }
};
using FontPtr = std::unique_ptr<Font, FontDeleter>;
void PlatGetFontDesc(const Font* font, FontDesc* desc);
// The family the font's face was found under (what "ＭＳ ゴシック" resolved to), NUL-terminated
// in out of units units; empty for a null font.
void PlatGetFontFamily(const Font* font, char16_t* out, int units);
// The advance of a character in pixels as the face that draws it has it, before a
// fixed-pitch font puts it on its grid of cells: IPAGothic's degree sign is 16 pixels wide
// although the grid gives it one 8-pixel cell. 0 for a null font.
int PlatGetNaturalAdvance(Font* font, uint32_t code_point);

// The families a font can be made of for text, sorted without regard to case: scalable faces
// only, leaving out colour (emoji) faces and faces without the letters of any script (symbol
// and dingbat faces), and names that would not fit a description's face field. Each name
// once, in its English (or only) form.
std::vector<std::u16string> PlatListFontFamilies(void);

enum {
    STOCK_CONSOLE_FONT,       // fixed pitch, 8 x 16 cell, CJK two cells (IPAGothic 16 px)
    STOCK_GUI_FONT            // proportional font of captions, menus and controls
};
// Stock fonts live as long as the process and are never deleted.
Font* PlatGetStockFont(int which);
