// Reference pictures and ImageMagick's view of image files, for the image-file tests.
#include "support/picture_files.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include "support/outside_io.h"

uint32_t PatternColor(int x, int y) {
    return (uint32_t)((x * 37 + y * 11) & 0xFF) << 16 | (uint32_t)((x * 5 + y * 71 + 40) & 0xFF) << 8 |
           (uint32_t)((x * 113 + y * 29 + 200) & 0xFF);
}

std::string FreshFolder(const std::string& name) {
    const char* base = getenv("TMPDIR");
    const std::string dir = std::string(base && *base ? base : "/tmp") + "/pixkit_" + name + "_" +
                            std::to_string(getpid());
    RunCommand("rm -rf '" + dir + "' && mkdir -p '" + dir + "'");
    return dir;
}

bool WritePpm(const std::string& path, int width, int height, const std::vector<uint32_t>* pixels) {
    std::string bytes = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const uint32_t c = pixels ? (*pixels)[(size_t)y * width + x] : PatternColor(x, y);
            bytes += (char)(c >> 16);
            bytes += (char)(c >> 8);
            bytes += (char)c;
        }
    return WriteFileBytes(path, bytes);
}

std::vector<uint32_t> MagickPixels(const std::string& path, int* width, int* height) {
    std::vector<uint32_t> out;
    const std::string file = "'" + path + "[0]'";
    const std::string size = RunCommand("identify -format '%w %h' " + file + " 2>/dev/null");
    if (sscanf(size.c_str(), "%d %d", width, height) != 2) return out;
    const std::string rgba = RunCommand("convert " + file + " -depth 8 rgba:- 2>/dev/null");
    if (rgba.size() != (size_t)*width * *height * 4) return out;
    for (size_t i = 0; i < rgba.size(); i += 4) {
        const uint8_t* p = (const uint8_t*)rgba.data() + i;
        out.push_back((uint32_t)p[3] << 24 | (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2]);
    }
    return out;
}

int ChannelDistance(uint32_t a, uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = abs((int)(a >> shift & 0xFF) - (int)(b >> shift & 0xFF));
        if (d > worst) worst = d;
    }
    return worst;
}
