// The extension rule of saved image files (see save_path.h).
#include "imagewin/save_path.h"

#include <string.h>
#include <strings.h>

// Each format's extensions, its own first.
static const char* const FORMAT_EXTENSIONS[IMAGE_FORMAT_COUNT][4] = {
    {".bmp", ".dib", ".rle", nullptr},
    {".jpg", ".jpeg", ".jpe", nullptr},
    {".gif", nullptr, nullptr, nullptr},
    {".png", nullptr, nullptr, nullptr},
    {".tif", ".tiff", nullptr, nullptr},
};

static bool EndsWithNoCase(const std::string& path, const char* ext) {
    size_t n = strlen(ext);
    return path.size() >= n && strcasecmp(path.c_str() + path.size() - n, ext) == 0;
}

std::string SavePathForFormat(const std::string& path, int format) {
    if (format < 0 || format >= IMAGE_FORMAT_COUNT) return path;
    for (const char* ext : FORMAT_EXTENSIONS[format])
        if (ext && EndsWithNoCase(path, ext)) return path;
    return path + FORMAT_EXTENSIONS[format][0];
}
