// Finding faces: fontconfig's state for the process, the face a description's family name
// resolves to (with the aliases of the Japanese gothic faces), the sorted fallback lists, and
// the families the font dialog offers. The lookups run with FontMutex() held by their callers;
// the family listing and the exit handler take it themselves.
#include "platform/font/font_faces.h"
#include "platform/font/font_internal.h"

#include "platform/text.h"

#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <map>

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

FT_Library StartFontLibraries(void) {
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


FT_Face NewFace(const char* path, int index) {
    FT_Library library = StartFontLibraries();
    FT_Face face = nullptr;
    if (!library || FT_New_Face(library, path, index, &face) != 0) return nullptr;
    return face;
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
bool ResolveFace(const char* name, int weight, bool italic, ResolvedFace* out) {
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

FcFontSet* FallbackList(const std::string& family, int weight, bool italic) {
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
    StartFontLibraries();
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

bool FontconfigAlive(void) { return fontconfig_alive; }
