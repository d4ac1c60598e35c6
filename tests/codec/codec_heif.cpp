// HEIC and AVIF in the image codec: pictures ImageMagick writes (8 and 10 bits)
// decode as ImageMagick reads them, a kept part equals that part of the whole, and cut files
// fail.
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "codec/codec.h"
#include "support/outside_io.h"
#include "support/picture_files.h"

namespace {

uint32_t At(const DecodedImage& d, int x, int y) {
    const uint32_t v = ((const uint32_t*)((const uint8_t*)d.pixels + y * d.stride))[x];
    return d.has_alpha ? v : v | 0xFF000000u;
}

TEST(CodecHeif, PicturesImageMagickWritesDecodeAsItReadsThem) {
    const std::string dir = FreshFolder("codec_heif");
    // Smooth colours, where the two conversions' chroma upsampling cannot differ by much.
    RunCommand("convert -size 40x22 gradient:'#2060C0'-'#E0A040' " + dir + "/src.ppm");
    const struct { const char* name; const char* source; const char* args; } cases[] = {
        {"p.heic", "src.ppm", "-quality 90"},
        {"p.avif", "src.ppm", "-quality 90"},
        {"deep.avif", "src.ppm", "-depth 10 -quality 90"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/" + c.name;
        RunCommand("cd " + dir + " && convert " + c.source + " " + c.args + " " + path);
        // ImageMagick reads these pictures as YCbCr: its sRGB conversion is the reference.
        RunCommand("convert " + path + " -colorspace sRGB PNG32:" + path + ".png");
        int mw = 0, mh = 0;
        const std::vector<uint32_t> magick = MagickPixels(path + ".png", &mw, &mh);
        ASSERT_EQ(mw, 40);
        ASSERT_EQ(mh, 22);
        DecodedImage d;
        ASSERT_EQ(CodecDecodeFile(path.c_str(), &d), 0);
        ASSERT_EQ(d.width, 40);
        ASSERT_EQ(d.height, 22);
        int worst = 0, at = 0;
        for (int i = 0; i < 40 * 22; i++) {
            const uint32_t ours = At(d, i % 40, i / 40);
            // Its alpha after the conversion is of no use; ours must be opaque.
            const int distance = std::max(ChannelDistance(ours, magick[i]), 255 - (int)(ours >> 24));
            if (distance > worst) worst = distance, at = i;
        }
        // Its own conversion and chroma upsampling against the library's.
        EXPECT_LE(worst, 2) << "at " << at % 40 << "," << at / 40 << std::hex << " ours " << At(d, at % 40, at / 40) << " ImageMagick " << magick[at];
        CodecLimits limits = CodecDefaultLimits();
        limits.keep = CodecKeep{3, 5, 20, 30};
        DecodedImage part;
        ASSERT_EQ(CodecDecodeFile(path.c_str(), limits, &part), 0);
        ASSERT_EQ(part.width, 17);
        ASSERT_EQ(part.height, 17);
        int wrong = 0;
        for (int y = 0; y < 17; y++)
            for (int x = 0; x < 17; x++) wrong += At(part, x, y) != At(d, x + 3, y + 5);
        EXPECT_EQ(wrong, 0);
        CodecFreeImage(&part);
        CodecFreeImage(&d);
        const std::string whole = ReadFileBytes(path);
        for (size_t keep : {whole.size() / 2, whole.size() - 10, (size_t)40}) {
            EXPECT_EQ(CodecDecodeBytes((const uint8_t*)whole.data(), keep, CodecDefaultLimits(), &d), 1) << keep;
            EXPECT_EQ(d.pixels, nullptr);
        }
    }
}

}  // namespace
