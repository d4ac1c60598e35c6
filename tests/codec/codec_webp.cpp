// WebP in the image codec: files of every kind ImageMagick writes (lossy, lossless, alpha,
// animated) decode as ImageMagick reads them, a kept part at odd coordinates equals that part
// of the whole, our lossless save reads back exactly, and cut, forged or oversized files fail.
#include <errno.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "codec/codec.h"
#include "support/outside_io.h"
#include "support/picture_files.h"

namespace {

TEST(CodecWebp, FilesOfEveryKindDecodeAsImageMagickReadsThemAndKeepParts) {
    const std::string dir = FreshFolder("codec_webp");
    const std::vector<uint32_t> blue(37 * 23, 0x0000FF);
    ASSERT_TRUE(WritePpm(dir + "/src.ppm", 37, 23) && WritePpm(dir + "/second.ppm", 37, 23, &blue));
    RunCommand("cd " + dir + " && convert src.ppm -alpha set -channel A -fx 'i==2&&j==1?0:(60+i*5+j*3)/255' +channel "
               "alpha.png");
    const struct { const char* name; const char* sources; const char* args; } cases[] = {
        {"lossless.webp", "src.ppm", "-define webp:lossless=true"},
        {"alpha_lossless.webp", "alpha.png", "-define webp:lossless=true"},
        {"lossy.webp", "src.ppm", "-quality 70"},
        {"alpha_lossy.webp", "alpha.png", "-quality 70 -define webp:alpha-quality=100"},
        {"animated.webp", "alpha.png second.ppm", "-delay 10 -define webp:lossless=true"},
    };
    // Parts at odd and even places, one reaching the bottom, one ending above it, one at the
    // top-left corner ending before the right edge.
    const struct { int left, top, right, bottom; } parts[] = {
        {3, 5, 20, 12}, {2, 4, 37, 23}, {1, 1, 36, 23}, {0, 0, 20, 23}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/" + c.name;
        RunCommand("cd " + dir + " && convert " + c.sources + " " + c.args + " " + path);
        ExpectAsMagickReads(path, 0);
        DecodedImage whole, part;
        ASSERT_EQ(CodecDecodeFile(path.c_str(), &whole), 0);
        ASSERT_EQ(whole.width, 37);
        ASSERT_EQ(whole.height, 23);
        for (const auto& p : parts) {
            ASSERT_EQ(CodecDecodeFile(path.c_str(), KeepOnly(p.left, p.top, p.right, p.bottom), &part), 0);
            ASSERT_EQ(part.width, p.right - p.left);
            ASSERT_EQ(part.height, p.bottom - p.top);
            EXPECT_EQ(PartDiffers(part, whole, p.left, p.top), 0) << "part at " << p.left << "," << p.top;
            CodecFreeImage(&part);
        }
        CodecFreeImage(&whole);
    }
}

TEST(CodecWebp, OurSaveIsLosslessAndOpaqueInBothDepths) {
    std::vector<uint32_t> words(11 * 7), table(256);
    std::vector<uint8_t> indices(12 * 7);   // rows padded to 12 bytes
    for (int i = 0; i < 256; i++) table[i] = PatternColor(i, 3);
    for (int y = 0; y < 7; y++)
        for (int x = 0; x < 11; x++) {
            words[y * 11 + x] = PatternColor(x, y) | 0x5A000000u;   // a top byte that must not become alpha
            indices[y * 12 + x] = (uint8_t)(x * 23 + y * 7);
        }
    const CodecPicture pictures[] = {{11, 7, 32, 44, (const uint8_t*)words.data(), nullptr},
                                     {11, 7, 8, 12, indices.data(), table.data()}};
    for (const CodecPicture& p : pictures) {
        std::vector<uint8_t> bytes;
        ASSERT_EQ(CodecEncodeBytes(CODEC_WEBP, p, &bytes), 0);
        DecodedImage d;
        ASSERT_EQ(CodecDecodeBytes(bytes.data(), bytes.size(), CodecDefaultPixelCap(), &d), 0);
        ASSERT_EQ(d.width, 11);
        ASSERT_EQ(d.height, 7);
        const std::vector<uint32_t> got = DecodedWords(d);
        for (int i = 0; i < 77; i++) {
            const uint32_t want = p.bits == 32 ? PatternColor(i % 11, i / 11) : table[indices[i / 11 * 12 + i % 11]];
            EXPECT_EQ(got[i], want | 0xFF000000u) << p.bits << " bits, pixel " << i;
        }
        CodecFreeImage(&d);
    }
    const CodecPicture too_wide{16384, 1, 32, 16384 * 4, (const uint8_t*)words.data(), nullptr};
    std::vector<uint8_t> bytes;
    EXPECT_EQ(CodecEncodeBytes(CODEC_WEBP, too_wide, &bytes), 1);
}

TEST(CodecWebp, CutForgedAndOversizedFilesFail) {
    const std::string dir = FreshFolder("codec_webp_bad");
    ASSERT_TRUE(WritePpm(dir + "/flat.ppm", 64, 48));
    RunCommand("convert " + dir + "/flat.ppm -seed 7 +noise Random " + dir + "/src.ppm");
    for (const char* args : {"-define webp:lossless=true", "-quality 80"}) {
        SCOPED_TRACE(args);
        RunCommand("convert " + dir + "/src.ppm " + args + " " + dir + "/p.webp");
        const std::string whole = ReadFileBytes(dir + "/p.webp");
        ASSERT_GT(whole.size(), 200u);
        for (size_t keep : {whole.size() - 1, whole.size() * 9 / 10, whole.size() / 2, (size_t)30}) {
            const std::string cut = whole.substr(0, keep);
            DecodedImage d;
            // Also when only the top-left corner is kept: the rows below it are still read.
            for (const CodecLimits& limits : {CodecDefaultLimits(), KeepOnly(0, 0, 8, 8), KeepOnly(0, 0, 0, 0)}) {
                EXPECT_EQ(CodecDecodeBytes((const uint8_t*)cut.data(), cut.size(), limits, &d), 1) << keep;
                EXPECT_EQ(d.pixels, nullptr);
            }
        }
        // Within the cap but beyond the memory the limits leave: refused for memory.
        CodecLimits tight = CodecDefaultLimits();
        tight.max_bytes = 64 * 48 * 4 + 1000;
        DecodedImage d;
        EXPECT_EQ(CodecDecodeBytes((const uint8_t*)whole.data(), whole.size(), tight, &d), 1);
        EXPECT_EQ(errno, ENOMEM);
        // Garbage behind a valid RIFF header.
        std::string forged = whole.substr(0, 20) + std::string(whole.size() - 20, '\x5A');
        EXPECT_EQ(CodecDecodeBytes((const uint8_t*)forged.data(), forged.size(), CodecDefaultLimits(), &d), 1);
        EXPECT_EQ(errno, EINVAL);
    }
}

}  // namespace
