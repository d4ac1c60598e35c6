// Fonts: the face for a description comes from font_faces.cpp, FreeType rasterises its glyphs,
// and every glyph is kept per font once drawn. Characters the face lacks come from the first font
// of fontconfig's sorted list whose character set has them. Heights follow the usual cell
// rule: a positive height is the cell (ascent + descent from the face's horizontal header),
// a negative one the em size. Rendering is deterministic: the same font draws the same pixels.
#include "platform/font/font_internal.h"
#include "platform/font/font_faces.h"
#include "platform/layer_mutex.h"

#include "platform/text.h"

#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <unordered_map>

enum { FONT_MAX_FACES = 16 };

struct FaceSlot {
    std::string path;
    int index;
    FT_Face face;
};

struct Font {
    FontDesc desc;
    std::string family;               // the family the face was found under
    FaceSlot faces[FONT_MAX_FACES];   // 0 is the font's own face, then fallbacks as needed
    int face_count;
    FcFontSet* fallback;              // fontconfig's sorted list (shared, lives forever)
    FT_F26Dot6 size_x, size_y;
    bool mono, synth_bold, synth_italic, grid;
    FT_Pos embolden;                  // extra width of synthetic bold, 26.6
    TextMetrics metrics;
    int underline_y, underline_h, strike_y, strike_h;
    Glyph* ascii[128];
    std::unordered_map<uint32_t, Glyph*> glyphs;
    bool stock;
};

LayerMutex& FontMutex() {
    static LayerMutex mutex;
    return mutex;
}

// ---- Faces of a font -------------------------------------------------------------------

// Gives a freshly opened face the font's size and slant and keeps it in the font's next
// slot. Returns null (and closes the face) when the face cannot be scaled or the slots
// are full.
static FT_Face AdoptFace(Font* font, FT_Face face, const char* path, int index) {
    if (font->face_count >= FONT_MAX_FACES || !FT_IS_SCALABLE(face) ||
        FT_Set_Char_Size(face, font->size_x, font->size_y, 72, 72) != 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    if (font->synth_italic) {
        // The slant of synthetic italics: x moves right by a fifth of the height.
        FT_Matrix shear = {0x10000, 0x3333, 0, 0x10000};
        FT_Set_Transform(face, &shear, nullptr);
    }
    FaceSlot& slot = font->faces[font->face_count++];
    slot.path = path;
    slot.index = index;
    slot.face = face;
    return face;
}

// The face at path and index in the font's slots, opened and sized on first use.
static FT_Face OpenFace(Font* font, const char* path, int index) {
    for (int i = 0; i < font->face_count; i++) {
        if (font->faces[i].index == index && font->faces[i].path == path) return font->faces[i].face;
    }
    if (font->face_count >= FONT_MAX_FACES) return nullptr;
    FT_Face face = NewFace(path, index);
    return face ? AdoptFace(font, face, path, index) : nullptr;
}

static FT_Int32 LoadFlags(const Font* font) {
    return FT_LOAD_NO_BITMAP | (font->mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
}

// Hinted advance of a character of the font's own face, in pixels; -1 when it lacks it.
static int MeasureAdvance(Font* font, uint32_t cp) {
    FT_Face face = font->faces[0].face;
    FT_UInt index = FT_Get_Char_Index(face, cp);
    if (index == 0 || FT_Load_Glyph(face, index, LoadFlags(font)) != 0) return -1;
    return (int)((face->glyph->advance.x + 32) >> 6);
}

// A face's design numbers, in font units, that the font's size and lines come from.
struct DesignMetrics {
    double em, ascent, descent;
    double underline_position, underline_thickness;   // thickness 0: the face gives none
    double strike_position, strike_size;              // size 0: the face gives none
};

enum {
    DEFAULT_CELL_HEIGHT = 16,   // a description without a height gets the console font's cell
    MAX_FONT_EXTENT = 1000      // larger heights and widths are cut, so glyph bitmaps stay small
};

// The design numbers of a face, or, when no face could be opened, those of IPAGothic (em
// 2048, ascender 1802, descender 246): the console font's, so that a system without it
// still lays out text in the same 8 x 16 cells, with the baseline where it would be.
static DesignMetrics ReadDesignMetrics(FT_Face face) {
    DesignMetrics dm{2048.0, 1802.0, 246.0, 0, 0, 0, 0};
    if (face) {
        dm.em = face->units_per_EM;
        dm.ascent = face->ascender;
        dm.descent = -face->descender;
        dm.underline_position = face->underline_position;
        dm.underline_thickness = face->underline_thickness;
        TT_OS2* os2 = (TT_OS2*)FT_Get_Sfnt_Table(face, FT_SFNT_OS2);
        if (os2 && os2->yStrikeoutSize > 0) {
            dm.strike_position = os2->yStrikeoutPosition;
            dm.strike_size = os2->yStrikeoutSize;
        }
    }
    if (dm.ascent + dm.descent <= 0) {
        // A face without a usable header: the common split of the em, 80% above the baseline.
        dm.ascent = dm.em * 0.8;
        dm.descent = dm.em * 0.2;
    }
    return dm;
}

// The vertical size in pixels per em, and the cell's ascent and descent: a positive height
// is the whole cell, a negative one the em.
static double ChooseHeight(Font* font, const DesignMetrics& dm) {
    int height = font->desc.height;
    if (height == 0) height = DEFAULT_CELL_HEIGHT;
    height = std::clamp<int>(height, -MAX_FONT_EXTENT, MAX_FONT_EXTENT);
    TextMetrics& m = font->metrics;
    double ppem_y;
    if (height > 0) {
        ppem_y = height * dm.em / (dm.ascent + dm.descent);
        m.ascent = (int)lround(dm.ascent * height / (dm.ascent + dm.descent));
        m.descent = height - m.ascent;
    } else {
        ppem_y = -height;
        m.ascent = (int)lround(dm.ascent * ppem_y / dm.em);
        m.descent = (int)lround(dm.descent * ppem_y / dm.em);
    }
    m.height = m.ascent + m.descent;
    return ppem_y;
}

// The horizontal pixels per em: the vertical ones, or, for a description with a width, what
// makes the face's 'x' (half an em when it has none) that many pixels wide.
static double ChooseWidth(const Font* font, FT_Face face, const DesignMetrics& dm, double ppem_y) {
    if (font->desc.width <= 0 || !face) return ppem_y;
    int width = std::min<int>(font->desc.width, MAX_FONT_EXTENT);
    double natural = dm.em / 2;
    FT_UInt x = FT_Get_Char_Index(face, 'x');
    if (x && FT_Load_Glyph(face, x, FT_LOAD_NO_SCALE) == 0 && face->glyph->advance.x > 0)
        natural = (double)face->glyph->advance.x;
    return ppem_y * width / (natural * ppem_y / dm.em);
}

// One-colour rendering and the synthetic styles. IPAGothic is drawn in one colour up to
// 16 pixels per em, where its hinted outlines are made for whole pixels (the console cell).
static void ChooseRendering(Font* font, const ResolvedFace& rf, double ppem_y) {
    const FontDesc& d = font->desc;
    bool gothic = strcasecmp(rf.family.c_str(), "IPAGothic") == 0 || strcasecmp(rf.family.c_str(), "IPAPGothic") == 0;
    font->mono = d.quality == FONT_QUALITY_MONO ||
                 (d.quality == FONT_QUALITY_DEFAULT && gothic && ppem_y <= 16.0 + 1e-9);
    font->synth_bold = d.weight >= 600 && (rf.embolden || rf.weight < FC_WEIGHT_DEMIBOLD);
    font->synth_italic = d.italic && (rf.oblique || rf.slant == FC_SLANT_ROMAN);
    // Synthetic bold widens strokes by a 24th of the em, at least one pixel (64 in 26.6).
    font->embolden = font->synth_bold ? std::max<FT_Pos>(64, (FT_Pos)lround(ppem_y * 64 / 24)) : 0;
}

// Underline and strike-out rows from the face's numbers, kept inside the cell. A face
// without them gets an underline two rows below the baseline and a strike-out a third of
// the ascent above it, one row each.
static void SetDecorationLines(Font* font, const DesignMetrics& dm, double ppem_y) {
    const TextMetrics& m = font->metrics;
    double scale_y = ppem_y / dm.em;
    int ul_y = 2, ul_h = 1, st_y = -(m.ascent / 3), st_h = 1;
    if (dm.underline_thickness > 0) {
        ul_y = (int)lround(-dm.underline_position * scale_y);
        ul_h = std::max(1, (int)lround(dm.underline_thickness * scale_y));
    }
    if (dm.strike_size > 0) {
        st_h = std::max(1, (int)lround(dm.strike_size * scale_y));
        st_y = -(int)lround(dm.strike_position * scale_y) - st_h + 1;
    }
    if (ul_y + ul_h > m.descent) ul_y = m.descent - ul_h;
    if (ul_y < 0) ul_y = 0;
    if (st_y < -m.ascent) st_y = -m.ascent;
    font->underline_y = ul_y;
    font->underline_h = ul_h;
    font->strike_y = st_y;
    font->strike_h = st_h;
}

// Average and widest advances from the sized face (without one: half an em and twice
// that), and whether the font keeps every character on a grid of cells.
static void SetAdvances(Font* font, FT_Face own, double ppem_x) {
    TextMetrics& m = font->metrics;
    int x_adv = own ? MeasureAdvance(font, 'x') : -1;
    if (x_adv <= 0) x_adv = std::max(1, (int)lround(ppem_x / 2));
    m.ave_char_width = x_adv;
    m.max_char_width = own ? (int)lround(own->max_advance_width * ppem_x / own->units_per_EM) : x_adv * 2;
    if (m.max_char_width < m.ave_char_width) m.max_char_width = m.ave_char_width;
    // A fixed-pitch face with double-width CJK keeps every character on its grid, fallback
    // characters included, so that text columns line up cell by cell.
    if (own) {
        int wide = MeasureAdvance(font, 0x3042);
        font->grid = FT_IS_FIXED_WIDTH(own) || (wide > 0 && wide == 2 * x_adv && MeasureAdvance(font, 'W') == x_adv &&
                                               MeasureAdvance(font, 'i') == x_adv);
    }
}

// Opens the resolved face once, sizes the font from its design numbers and keeps it as the
// font's own face (slot 0).
static void SetUpFont(Font* font, const ResolvedFace& rf) {
    font->family = rf.family;
    FT_Face face = NewFace(rf.path.c_str(), rf.index);
    DesignMetrics dm = ReadDesignMetrics(face);
    double ppem_y = ChooseHeight(font, dm);
    double ppem_x = ChooseWidth(font, face, dm, ppem_y);
    font->size_x = std::max<FT_F26Dot6>(1, (FT_F26Dot6)lround(ppem_x * 64));
    font->size_y = std::max<FT_F26Dot6>(1, (FT_F26Dot6)lround(ppem_y * 64));
    ChooseRendering(font, rf, ppem_y);
    SetDecorationLines(font, dm, ppem_y);
    FT_Face own = face ? AdoptFace(font, face, rf.path.c_str(), rf.index) : nullptr;
    SetAdvances(font, own, ppem_x);
    int weight = font->desc.weight > 0 ? font->desc.weight : 400;
    font->fallback = FallbackList(rf.family, weight, font->desc.italic != 0);
}

Font* PlatCreateFont(const FontDesc* desc) {
    if (!desc) return nullptr;
    Font* font = new Font();
    font->desc = *desc;
    font->desc.face[FONT_FACE_UNITS - 1] = 0;
    char name[FONT_FACE_UNITS * 3];
    int len = 0;
    while (len < FONT_FACE_UNITS - 1 && desc->face[len]) len++;
    Utf16ToUtf8(desc->face, len, name, (int)sizeof name);
    std::lock_guard<LayerMutex> lock(FontMutex());
    StartFontLibraries();
    ResolvedFace rf;
    if (!ResolveFace(name, desc->weight > 0 ? desc->weight : 400, desc->italic != 0, &rf)) {
        rf = ResolvedFace{"", "", 0, FC_WEIGHT_REGULAR, FC_SLANT_ROMAN, false, false};
    }
    SetUpFont(font, rf);
    return font;
}

static void FreeGlyph(Glyph* g) {
    if (!g) return;
    free(g->coverage);
    delete g;
}

void PlatDeleteFont(Font* font) {
    if (!font || font->stock) return;
    std::lock_guard<LayerMutex> lock(FontMutex());
    for (Glyph* g : font->ascii) FreeGlyph(g);
    for (auto& entry : font->glyphs) FreeGlyph(entry.second);
    for (int i = 0; i < font->face_count; i++) FT_Done_Face(font->faces[i].face);
    delete font;
}

void PlatGetFontDesc(const Font* font, FontDesc* desc) {
    if (!font || !desc) return;
    *desc = font->desc;
}

void PlatGetFontFamily(const Font* font, char16_t* out, int units) {
    if (!out || units <= 0) return;
    out[0] = 0;
    if (font) Utf8ToUtf16(font->family.c_str(), -1, out, units);
}

Font* PlatGetStockFont(int which) {
    static Font* stock[2] = {nullptr, nullptr};
    static std::once_flag once[2];
    if (which != STOCK_CONSOLE_FONT && which != STOCK_GUI_FONT) return nullptr;
    std::call_once(once[which], [which] {
        FontDesc d{};
        const char16_t* face = which == STOCK_CONSOLE_FONT ? u"IPAGothic" : u"DejaVu Sans";
        for (int i = 0; face[i] && i < FONT_FACE_UNITS - 1; i++) d.face[i] = face[i];
        d.height = which == STOCK_CONSOLE_FONT ? 16 : -13;
        d.weight = 400;
        Font* f = PlatCreateFont(&d);
        f->stock = true;
        stock[which] = f;
    });
    return stock[which];
}

const TextMetrics* FontMetrics(const Font* font) { return &font->metrics; }

bool FontDecorations(const Font* font, int* underline_y, int* underline_h, int* strike_y, int* strike_h) {
    *underline_y = font->underline_y;
    *underline_h = font->underline_h;
    *strike_y = font->strike_y;
    *strike_h = font->strike_h;
    return font->desc.underline || font->desc.strike_out;
}

// ---- Glyphs ----------------------------------------------------------------------------

static Glyph* CopyBitmap(FT_GlyphSlot slot, int advance) {
    Glyph* g = new Glyph{};
    g->advance = advance;
    const FT_Bitmap& bm = slot->bitmap;
    g->left = slot->bitmap_left;
    g->top = slot->bitmap_top;
    g->width = (int)bm.width;
    g->height = (int)bm.rows;
    if (g->width > 0 && g->height > 0) {
        g->coverage = (uint8_t*)calloc((size_t)g->width * g->height, 1);
        for (int y = 0; y < g->height; y++) {
            const uint8_t* row = bm.buffer + (ptrdiff_t)y * bm.pitch;
            uint8_t* out = g->coverage + (size_t)y * g->width;
            for (int x = 0; x < g->width; x++) {
                if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
                    out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
                } else {
                    out[x] = row[x];
                }
            }
        }
    } else {
        g->width = g->height = 0;
    }
    return g;
}

static Glyph* RenderGlyph(Font* font, FT_Face face, FT_UInt index, uint32_t cp) {
    if (!face || FT_Load_Glyph(face, index, LoadFlags(font)) != 0) return nullptr;
    FT_GlyphSlot slot = face->glyph;
    FT_Pos advance = slot->advance.x;
    if (font->embolden && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Outline_EmboldenXY(&slot->outline, font->embolden, 0);
        advance += font->embolden;
    }
    if (FT_Render_Glyph(slot, font->mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return nullptr;
    int adv = (int)((advance + 32) >> 6);
    if (font->grid) adv = font->metrics.ave_char_width * CharCellWidth(cp);
    return CopyBitmap(slot, adv);
}

// A hollow box for a character that no face has and whose face draws nothing for it.
static Glyph* BoxGlyph(const Font* font) {
    const TextMetrics& m = font->metrics;
    Glyph* g = new Glyph{};
    g->advance = m.ave_char_width;
    g->left = 1;
    g->width = std::max(2, m.ave_char_width - 2);
    g->height = std::max(2, m.ascent - 1);
    g->top = g->height;
    g->coverage = (uint8_t*)calloc((size_t)g->width * g->height, 1);
    for (int y = 0; y < g->height; y++) {
        for (int x = 0; x < g->width; x++) {
            if (y == 0 || x == 0 || y == g->height - 1 || x == g->width - 1) g->coverage[y * g->width + x] = 255;
        }
    }
    return g;
}

static Glyph* LoadGlyph(Font* font, uint32_t cp) {
    FT_Face own = font->face_count > 0 ? font->faces[0].face : nullptr;
    if (own) {
        FT_UInt index = FT_Get_Char_Index(own, cp);
        if (index) {
            if (Glyph* g = RenderGlyph(font, own, index, cp)) return g;
        }
    }
    // The first font of the sorted list that has the character.
    if (font->fallback && FontconfigAlive() && cp >= 0x20) {
        for (int i = 0; i < font->fallback->nfont; i++) {
            FcPattern* p = font->fallback->fonts[i];
            FcCharSet* charset = nullptr;
            if (FcPatternGetCharSet(p, FC_CHARSET, 0, &charset) != FcResultMatch || !FcCharSetHasChar(charset, cp)) {
                continue;
            }
            FcChar8* file = nullptr;
            int index = 0;
            if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch) continue;
            FcPatternGetInteger(p, FC_INDEX, 0, &index);
            FT_Face face = OpenFace(font, (const char*)file, index);
            if (!face) continue;
            FT_UInt gi = FT_Get_Char_Index(face, cp);
            if (!gi) continue;
            if (Glyph* g = RenderGlyph(font, face, gi, cp)) return g;
        }
    }
    // Nobody has it: the face's own missing-glyph shape, or a box when that is empty.
    Glyph* g = own ? RenderGlyph(font, own, 0, cp) : nullptr;
    if (g && g->width > 0) return g;
    FreeGlyph(g);
    return BoxGlyph(font);
}

const Glyph* FontGlyph(Font* font, uint32_t cp) {
    if (cp < 128) {
        if (!font->ascii[cp]) font->ascii[cp] = LoadGlyph(font, cp);
        return font->ascii[cp];
    }
    auto it = font->glyphs.find(cp);
    if (it != font->glyphs.end()) return it->second;
    Glyph* g = LoadGlyph(font, cp);
    font->glyphs[cp] = g;
    return g;
}

// The face that draws a character, searched as LoadGlyph does: the font's own face, then the
// sorted list; the own face's missing glyph when none has it. Call with FontMutex() held.
static FT_Face FaceDrawing(Font* font, uint32_t cp, FT_UInt* index) {
    FT_Face own = font->face_count > 0 ? font->faces[0].face : nullptr;
    *index = own ? FT_Get_Char_Index(own, cp) : 0;
    if (*index) return own;
    if (font->fallback && FontconfigAlive() && cp >= 0x20) {
        for (int i = 0; i < font->fallback->nfont; i++) {
            FcPattern* p = font->fallback->fonts[i];
            FcCharSet* charset = nullptr;
            FcChar8* file = nullptr;
            int face_index = 0;
            if (FcPatternGetCharSet(p, FC_CHARSET, 0, &charset) != FcResultMatch || !FcCharSetHasChar(charset, cp) ||
                FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch) {
                continue;
            }
            FcPatternGetInteger(p, FC_INDEX, 0, &face_index);
            FT_Face face = OpenFace(font, (const char*)file, face_index);
            if (face && (*index = FT_Get_Char_Index(face, cp)) != 0) return face;
        }
    }
    *index = 0;
    return own;
}

int PlatGetNaturalAdvance(Font* font, uint32_t code_point) {
    if (!font) return 0;
    std::lock_guard<LayerMutex> lock(FontMutex());
    FT_UInt index = 0;
    FT_Face face = FaceDrawing(font, code_point, &index);
    if (!face || FT_Load_Glyph(face, index, LoadFlags(font)) != 0) return font->metrics.ave_char_width;
    FT_Pos advance = face->glyph->advance.x + font->embolden;
    return (int)((advance + 32) >> 6);
}
