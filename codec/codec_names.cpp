// File names of the save formats and the extension rule of a save.
#include "codec/codec_names.h"

#include <string.h>
#include <strings.h>

namespace {

struct FormatNames {
    CodecFormat format;
    const char* extensions[3];   // the first is the one a save appends
};

const FormatNames FORMAT_NAMES[] = {
    {CODEC_BMP, {".bmp", ".rle", ".dib"}},
    {CODEC_JPEG, {".jpg", ".jpeg", ".jpe"}},
    {CODEC_GIF, {".gif", nullptr, nullptr}},
    {CODEC_PNG, {".png", nullptr, nullptr}},
    {CODEC_TIFF, {".tif", ".tiff", nullptr}},
    {CODEC_WEBP, {".webp", nullptr, nullptr}},
};

const FormatNames* FindNames(CodecFormat format) {
    for (const FormatNames& n : FORMAT_NAMES)
        if (n.format == format) return &n;
    return nullptr;
}

bool EndsWithNoCase(const std::string& s, const char* tail) {
    const size_t n = strlen(tail);
    return s.size() >= n && strcasecmp(s.c_str() + s.size() - n, tail) == 0;
}

}  // namespace

CodecFormat CodecSaveFormat(int index) {
    if (index == 5) return CODEC_WEBP;
    return index >= CODEC_BMP && index <= CODEC_TIFF ? (CodecFormat)index : CODEC_UNKNOWN;
}

const char* CodecSaveExtension(CodecFormat format) {
    const FormatNames* n = FindNames(format);
    return n ? n->extensions[0] : nullptr;
}

CodecFormat CodecFormatOfName(const std::string& path) {
    for (const FormatNames& n : FORMAT_NAMES)
        for (const char* e : n.extensions)
            if (e && EndsWithNoCase(path, e)) return n.format;
    return CODEC_UNKNOWN;
}

std::string CodecPathWithExtension(const std::string& path, CodecFormat format) {
    const FormatNames* n = FindNames(format);
    if (!n) return path;
    for (const char* e : n->extensions)
        if (e && EndsWithNoCase(path, e)) return path;
    return path + n->extensions[0];
}
