// Fonts: fontconfig finds the face for a description, FreeType rasterises its glyphs, and
// every glyph is kept per font once drawn. Characters the face lacks come from the first font
// of fontconfig's sorted list whose character set has them. Heights follow the usual cell
// rule: a positive height is the cell (ascent + descent from the face's horizontal header),
// a negative one the em size. Rendering is deterministic: the same font draws the same pixels.
#include "platform/font/font_internal.h"
#include "platform/layer_mutex.h"

#include "platform/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <map>
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

// fontconfig's state, kept until the process exits; fontconfig_alive turns false when the
// exit handler has released it (later lookups then find no faces instead of touching freed
// memory). All of it is guarded by FontMutex().
static bool fontconfig_alive = false;
static std::map<std::string, FcFontSet*>* fallback_lists = nullptr;

// Releases fontconfig at exit: the configuration it loads is otherwise never freed, and the
// sorted lists refer into its caches, so they go first.
static void ReleaseFontconfig(void) {
    std::lock_guard<LayerMutex> lock(FontMutex());
    if (!fontconfig_alive) return;
    fontconfig_alive = false;
    for (auto& entry : *fallback_lists) {
        if (entry.second) FcFontSetDestroy(entry.second);
    }
    fallback_lists->clear();
    FcFini();
}

static FT_Library FtLibrary(void) {
    static FT_Library library = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (FT_Init_FreeType(&library) != 0) library = nullptr;
        fallback_lists = new std::map<std::string, FcFontSet*>();
        if (FcInit()) {
            fontconfig_alive = true;
            atexit(ReleaseFontconfig);
        }
    }
    return library;
}

// ---- Finding faces ---------------------------------------------------------------------

// Names that stand for the Japanese gothic faces of other systems, with the families that
// replace them, best first.
struct FaceAlias {
    const char* name;
    const char* families[2];
};
static const FaceAlias face_aliases[] = {
    {"ＭＳ ゴシック", {"IPAGothic", "Noto Sans Mono CJK JP"}},
    {"MS Gothic", {"IPAGothic", "Noto Sans Mono CJK JP"}},
    {"ＭＳ Ｐゴシック", {"IPAPGothic", "Noto Sans CJK JP"}},
    {"MS PGothic", {"IPAPGothic", "Noto Sans CJK JP"}},
};

struct ResolvedFace {
    std::string family;
    std::string path;
    int index;
    int weight;       // fontconfig weight of the face found
    int slant;
    bool embolden;    // fontconfig asks for synthetic bold (the face has no bold)
    bool oblique;     // fontconfig asks for a synthetic slant (the face has no italic)
};

static FcPattern* MakePattern(const char* family, int weight, bool italic) {
    FcPattern* pattern = FcPatternCreate();
    if (family && family[0]) FcPatternAddString(pattern, FC_FAMILY, (const FcChar8*)family);
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
}

// Looks family up; with exact set, only a face of that very family counts.
static bool MatchFamily(const char* family, int weight, bool italic, bool exact, ResolvedFace* out) {
    FcPattern* pattern = MakePattern(family, weight, italic);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    bool ok = false;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        FcChar8* found = nullptr;
        std::string first_family;
        bool same = !exact;
        for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &found) == FcResultMatch; i++) {
            if (i == 0) first_family = (const char*)found;
            if (exact && strcasecmp((const char*)found, family) == 0) same = true;
        }
        if (same) {
            out->family = exact ? std::string(family) : first_family;
            out->path = (const char*)file;
            int index = 0, w = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            FcPatternGetInteger(match, FC_WEIGHT, 0, &w);
            FcPatternGetInteger(match, FC_SLANT, 0, &slant);
            out->index = index;
            out->weight = w;
            out->slant = slant;
            FcBool embolden = FcFalse;
            FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
            out->embolden = embolden == FcTrue;
            FcMatrix* matrix = nullptr;
            out->oblique = FcPatternGetMatrix(match, FC_MATRIX, 0, &matrix) == FcResultMatch && matrix &&
                           matrix->xy != 0;
            ok = true;
        }
    }
    FcPatternDestroy(match);
    return ok;
}

// The face for a family name: an alias's families in order, then the name itself, then
// whatever fontconfig chooses for it. Results are remembered, because fonts are recreated
// often (each style change of image text makes a new one).
static bool ResolveFace(const char* name, int weight, bool italic, ResolvedFace* out) {
    if (!fontconfig_alive) return false;
    static std::map<std::string, ResolvedFace>& cache = *new std::map<std::string, ResolvedFace>();
    std::string key = std::string(name) + "|" + std::to_string(weight) + "|" + (italic ? "i" : "r");
    auto it = cache.find(key);
    if (it != cache.end()) {
        *out = it->second;
        return true;
    }
    bool found = false;
    for (const FaceAlias& alias : face_aliases) {
        if (strcmp(alias.name, name) != 0) continue;
        for (const char* family : alias.families) {
            if (MatchFamily(family, weight, italic, true, out)) {
                found = true;
                break;
            }
        }
        break;
    }
    if (!found && name[0]) found = MatchFamily(name, weight, italic, true, out);
    if (!found) found = MatchFamily(name[0] ? name : "sans-serif", weight, italic, false, out);
    if (found) cache[key] = *out;
    return found;
}

static FcFontSet* FallbackList(const std::string& family, int weight, bool italic) {
    if (!fontconfig_alive) return nullptr;
    std::map<std::string, FcFontSet*>& cache = *fallback_lists;
    std::string key = family + "|" + std::to_string(weight) + "|" + (italic ? "i" : "r");
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    FcPattern* pattern = MakePattern(family.c_str(), weight, italic);
    FcResult result = FcResultNoMatch;
    FcFontSet* set = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
    FcPatternDestroy(pattern);
    cache[key] = set;
    return set;
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

static FT_Face NewFace(const char* path, int index) {
    FT_Library library = FtLibrary();
    FT_Face face = nullptr;
    if (!library || FT_New_Face(library, path, index, &face) != 0) return nullptr;
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
    FtLibrary();
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

// ---- Families for the font dialog ---------------------------------------------------------

// One letter each of the scripts whose faces count as text faces. Symbol faces carry Greek
// for mathematics, so Greek alone does not count; Latin needs the whole alphabet.
static const uint32_t script_letters[] = {0x0410, 0x05D0, 0x0627, 0x0905, 0x0E01, 0x3042, 0x4E00, 0xAC00};

static bool HasLetters(FcCharSet* charset) {
    bool latin = true;
    for (uint32_t c = 'A'; c <= 'Z' && latin; c++) latin = FcCharSetHasChar(charset, c) && FcCharSetHasChar(charset, c + 32);
    if (latin) return true;
    for (uint32_t c : script_letters)
        if (FcCharSetHasChar(charset, c)) return true;
    return false;
}

// A face whose character map is a symbol encoding: fontconfig reports such a face as having
// the letters of Latin-1, although its codes draw symbols. Call with FontMutex() held.
static bool HasSymbolMap(FcPattern* p) {
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch) return false;
    FcPatternGetInteger(p, FC_INDEX, 0, &index);
    FT_Face face = NewFace((const char*)file, index);
    if (!face) return false;
    bool symbol = false;
    for (int i = 0; i < face->num_charmaps; i++) symbol |= face->charmaps[i]->encoding == FT_ENCODING_MS_SYMBOL;
    FT_Done_Face(face);
    return symbol;
}

static bool IsTextFace(FcPattern* p) {
    FcBool color = FcFalse;
    FcCharSet* charset = nullptr;
    if (FcPatternGetBool(p, FC_COLOR, 0, &color) == FcResultMatch && color) return false;
    if (FcPatternGetCharSet(p, FC_CHARSET, 0, &charset) != FcResultMatch || !HasLetters(charset)) return false;
    return !HasSymbolMap(p);
}

// The family names of one face in English or without a language.
static void FaceFamilies(FcPattern* p, std::vector<std::u16string>* names) {
    FcChar8* family = nullptr;
    for (int i = 0; FcPatternGetString(p, FC_FAMILY, i, &family) == FcResultMatch; i++) {
        FcChar8* lang = nullptr;
        if (FcPatternGetString(p, FC_FAMILYLANG, i, &lang) == FcResultMatch && strcmp((const char*)lang, "en") != 0)
            continue;
        char16_t units[FONT_FACE_UNITS + 1];
        int n = Utf8ToUtf16((const char*)family, -1, units, FONT_FACE_UNITS + 1);
        if (n > 0 && n < FONT_FACE_UNITS) names->push_back(std::u16string(units, n));
    }
}

static bool LessNoCase(const std::u16string& a, const std::u16string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; i++) {
        char16_t x = a[i] >= u'A' && a[i] <= u'Z' ? a[i] + 32 : a[i];
        char16_t y = b[i] >= u'A' && b[i] <= u'Z' ? b[i] + 32 : b[i];
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

std::vector<std::u16string> PlatListFontFamilies(void) {
    std::vector<std::u16string> names;
    std::lock_guard<LayerMutex> lock(FontMutex());
    FtLibrary();
    if (!fontconfig_alive) return names;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcObjectSet* objects =
        FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_COLOR, FC_CHARSET, FC_FILE, FC_INDEX, (char*)nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    // A family with one symbol face among its files is a symbol family: its names are left out.
    std::vector<std::u16string> symbol;
    for (int i = 0; set && i < set->nfont; i++) FaceFamilies(set->fonts[i], IsTextFace(set->fonts[i]) ? &names : &symbol);
    if (set) FcFontSetDestroy(set);
    auto in_symbol = [&symbol](const std::u16string& n) {
        return std::find(symbol.begin(), symbol.end(), n) != symbol.end();
    };
    names.erase(std::remove_if(names.begin(), names.end(), in_symbol), names.end());
    std::sort(names.begin(), names.end(), LessNoCase);
    names.erase(std::unique(names.begin(), names.end(),
                            [](const std::u16string& a, const std::u16string& b) {
                                return !LessNoCase(a, b) && !LessNoCase(b, a);
                            }),
                names.end());
    return names;
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
    if (font->fallback && fontconfig_alive && cp >= 0x20) {
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
    if (font->fallback && fontconfig_alive && cp >= 0x20) {
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
