// Finding faces for fonts (font_faces.cpp): FreeType and fontconfig started once for the
// process, the face a family name resolves to, fontconfig's sorted list of fallback faces for
// a family, and opening a face file. Call everything with FontMutex() held.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include <fontconfig/fontconfig.h>

#include <string>

struct ResolvedFace {
    std::string family;
    std::string path;
    int index;
    int weight;       // fontconfig weight of the face found
    int slant;
    bool embolden;    // fontconfig asks for synthetic bold (the face has no bold)
    bool oblique;     // fontconfig asks for a synthetic slant (the face has no italic)
};

// FreeType's library, starting it and fontconfig on first use (null when FreeType fails).
FT_Library StartFontLibraries(void);
// False before fontconfig started and after the exit handler released it: no lookups then.
bool FontconfigAlive(void);
// The face at path and index opened afresh, unsized; null when it cannot be opened.
FT_Face NewFace(const char* path, int index);
// The face for a family name (an alias's families, the name itself, then fontconfig's own
// choice); results are remembered. False when fontconfig is not alive or has nothing.
bool ResolveFace(const char* name, int weight, bool italic, ResolvedFace* out);
// fontconfig's sorted list of faces for a family, kept for the process (may be null).
FcFontSet* FallbackList(const std::string& family, int weight, bool italic);
