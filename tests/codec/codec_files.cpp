// The image codec against ImageMagick: files of many layouts written by ImageMagick decode to
// the same pixels as ImageMagick's own reading (a round trip through our reader and writer
// alone would hide faults both share), a hand-made RLE4 bitmap with deltas, and files that
// must fail: truncated ones, foreign formats, FIFOs, folders and pictures over the cap.
#include <errno.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "codec/codec.h"
#include "support/outside_io.h"
#include "support/picture_files.h"

namespace {

TEST(CodecFiles, FilesWrittenByImageMagickDecodeAsImageMagickReadsThem) {
    const std::string dir = FreshFolder("codec_magick");
    const std::string opaque = dir + "/src.ppm", alpha = dir + "/alpha.png";
    ASSERT_TRUE(WritePpm(opaque, 7, 5));
    // Alpha from 100 up, with one pixel fully transparent.
    RunCommand("convert " + opaque + " -alpha set -channel A -fx 'i==2&&j==1?0:(100+i*20+j*5)/255' +channel " + alpha);
    const struct { const char* name; bool with_alpha; const char* args; int tolerance; } cases[] = {
        {"rle8.bmp", false, "-type Palette -compress RLE BMP3:", 0},
        {"os2.bmp", false, "BMP2:", 0},
        {"os2_palette.bmp", false, "-type Palette BMP2:", 0},
        {"bits565.bmp", false, "-define bmp:subtype=RGB565 BMP3:", 1},
        {"v5_alpha.bmp", true, "BMP:", 0},
        {"bilevel.bmp", false, "-type Bilevel BMP3:", 0},
        {"palette4.bmp", false, "-colors 12 -type Palette BMP3:", 0},
        {"palette_trns.png", true, "-channel A -threshold 50% +channel PNG8:", 0},
        {"rgba16.png", true, "-depth 16 PNG64:", 0},
        {"interlaced.png", false, "-interlace PNG PNG24:", 0},
        {"grey2.png", false, "-colorspace Gray -depth 2 PNG:", 0},
        {"grey8.png", false, "-colorspace Gray -depth 8 -define png:color-type=0 PNG:", 0},
        {"grey8_interlaced.png", false, "-colorspace Gray -depth 8 -define png:color-type=0 -interlace PNG PNG:", 0},
        {"transparent.gif", true, "GIF:", 0},
        {"interlaced.gif", false, "-interlace GIF GIF:", 0},
        {"palette.tif", false, "-type Palette TIFF:", 0},
        {"rgba.tif", true, "TIFF:", 2},
        {"grey.jpg", false, "-colorspace Gray JPG:", 1},
        {"cmyk.jpg", false, "-colorspace CMYK JPG:", 3},
        {"progressive.jpg", false, "-interlace JPEG -sampling-factor 2x2 JPG:", 1},
        {"alpha.ico", true, "ICO:", 0},
    };
    for (const auto& c : cases) {
        const std::string path = dir + "/" + c.name;
        SCOPED_TRACE(c.name);
        RunCommand("convert " + (c.with_alpha ? alpha : opaque) + " " + c.args + path);
        ExpectAsMagickReads(path, c.tolerance);
    }
}

TEST(CodecFiles, SixteenBitGreyScalesToEightBitsWithoutGamma) {
    const std::string dir = FreshFolder("codec_grey16");
    const std::string path = dir + "/grey.png";
    RunCommand("convert -size 4x3 xc:'gray(50%)' -depth 16 PNG48:" + path);
    DecodedImage d;
    ASSERT_EQ(CodecDecodeFile(path.c_str(), &d), 0);
    EXPECT_EQ(d.pixels[0] & 0xFFFFFF, 0x808080u);
    EXPECT_EQ(d.pixels[11] & 0xFFFFFF, 0x808080u);
    CodecFreeImage(&d);
}

std::string Floats(int width, int height, int samples, bool doubles) {
    std::string out;
    for (int i = 0; i < width * height * samples; i++) {
        // -0.1 .. 1.14: clamped at both ends, and every rounding in between.
        const double v = ((i * 37 + i / width * 11) % 200) / 160.0 - 0.1;
        const float f = (float)v;
        out += doubles ? std::string((const char*)&v, 8) : std::string((const char*)&f, 4);
    }
    return out;
}

// TIFF layouts made here, which ImageMagick's writer does not make: palettes whose 16-bit
// colour maps are not multiples of 257 (each entry must round, not drop its low byte, also
// where the map goes through the library's RGBA reader), and floating-point samples.
TEST(CodecFiles, TiffPalettesAndFloatsDecodeAsImageMagickReadsThem) {
    const std::string dir = FreshFolder("codec_tiff");
    const int w = 37, h = 23;
    auto map = [](int entries) {
        std::vector<uint32_t> v;
        for (int c = 0; c < 3; c++)
            for (int i = 0; i < entries; i++) v.push_back((uint32_t)(i * 40503 + c * 9973 + 77) & 0xFFFF);
        return v;
    };
    std::string indices8, indices4, tile;
    for (int i = 0; i < w * h; i++) indices8 += (char)(i * 7 % 256);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < (w + 1) / 2; x++) indices4 += (char)((x * 3 + y) % 256);
    for (int i = 0; i < 16 * 16; i++) tile += (char)(i * 11 % 256);
    const uint32_t W = w, H = h, plane = W * H * 4;
    // W x H strips of samples x bits, and the tags that differ.
    auto with = [&](uint16_t bits, uint16_t samples, uint16_t photometric, const std::vector<TiffTag>& more) {
        std::vector<TiffTag> tags{{256, 4, {W}}, {257, 4, {H}}, {258, 3, std::vector<uint32_t>(samples, bits)},
                                  {259, 3, {1}}, {262, 3, {photometric}}, {277, 3, {samples}}, {278, 4, {H}}};
        tags.insert(tags.end(), more.begin(), more.end());
        return tags;
    };
    const struct { const char* name; std::vector<TiffTag> tags; std::string data; } cases[] = {
        {"palette8.tif", with(8, 1, 3, {{273, 4, {8}}, {279, 4, {W * H}}, {320, 3, map(256)}}), indices8},
        {"palette4.tif", with(4, 1, 3, {{273, 4, {8}}, {279, 4, {(W + 1) / 2 * H}}, {320, 3, map(16)}}), indices4},
        {"palette_tiled.tif",
         {{256, 4, {16}}, {257, 4, {16}}, {258, 3, {8}}, {259, 3, {1}}, {262, 3, {3}}, {277, 3, {1}},
          {320, 3, map(256)}, {322, 4, {16}}, {323, 4, {16}}, {324, 4, {8}}, {325, 4, {256}}},
         tile},
        {"grey_float.tif", with(32, 1, 1, {{273, 4, {8}}, {279, 4, {plane}}, {339, 3, {3}}}), Floats(w, h, 1, false)},
        {"grey_double.tif", with(64, 1, 1, {{273, 4, {8}}, {279, 4, {plane * 2}}, {339, 3, {3}}}), Floats(w, h, 1, true)},
        {"rgb_float.tif", with(32, 3, 2, {{273, 4, {8}}, {279, 4, {plane * 3}}, {339, 3, {3, 3, 3}}}),
         Floats(w, h, 3, false)},
        {"rgb_float_planes.tif",
         with(32, 3, 2, {{273, 4, {8, 8 + plane, 8 + 2 * plane}}, {279, 4, {plane, plane, plane}}, {284, 3, {2}},
                         {339, 3, {3, 3, 3}}}),
         Floats(w, h, 3, false)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/" + c.name;
        ASSERT_TRUE(WriteFileBytes(path, TiffBytes(c.tags, c.data)));
        ExpectAsMagickReads(path, 0, true);
    }
}

// A decode that keeps a rectangle gives exactly that part of the whole picture, whatever way
// its format reaches the rows (JPEG skips rows above and below, interlaced PNG and GIF place
// pass rows, TIFF reads bands, BMP reads rows bottom first).
TEST(CodecFiles, AKeptPartIsExactlyThatPartOfTheWholePicture) {
    const std::string dir = FreshFolder("codec_keep");
    ASSERT_TRUE(WritePpm(dir + "/src.ppm", 45, 37));
    const char* const kinds[] = {"-sampling-factor 2x2 JPG:", "-interlace JPEG -sampling-factor 2x1 JPG:",
                                 "-interlace PNG PNG24:", "-interlace GIF GIF:", "-compress LZW TIFF:",
                                 "-define tiff:tile-geometry=16x16 TIFF:", "BMP3:", "-type Palette BMP3:"};
    for (const char* kind : kinds) {
        SCOPED_TRACE(kind);
        const std::string path = dir + "/f";
        RunCommand("rm -f " + path + " && convert " + dir + "/src.ppm " + kind + path);
        const std::string bytes = ReadFileBytes(path);
        DecodedImage whole, part;
        ASSERT_EQ(CodecDecodeBytes((const uint8_t*)bytes.data(), bytes.size(), 1u << 20, &whole), 0);
        ASSERT_EQ(CodecDecodeBytes((const uint8_t*)bytes.data(), bytes.size(), KeepOnly(5, 9, 29, 36), &part), 0);
        ASSERT_EQ(part.width, 24);
        ASSERT_EQ(part.height, 27);
        EXPECT_EQ(PartDiffers(part, whole, 5, 9), 0);
        CodecFreeImage(&whole);
        CodecFreeImage(&part);
    }
}

// A 4 x 3 RLE4 bitmap, rows bottom first: an encoded run, a delta that skips one pixel, an
// absolute run, end of line, and an end of bitmap that leaves the top row's rest unwritten.
TEST(CodecFiles, Rle4RunsDeltasAndEarlyEndLeavePixelsUnwritten) {
    std::vector<uint8_t> dib(40, 0);
    const uint8_t head[] = {40, 0, 0, 0, 4, 0, 0, 0, 3, 0, 0, 0, 1, 0, 4, 0, 2, 0, 0, 0};
    std::copy(head, head + sizeof head, dib.begin());
    dib[32] = 4;   // colours used
    const uint8_t table[] = {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};
    const uint8_t runs[] = {4, 0x12, 0, 0, 0, 2, 1, 0, 0, 3, 0x32, 0x10, 0, 0, 1, 0x30, 0, 1};
    dib.insert(dib.end(), table, table + sizeof table);
    dib.insert(dib.end(), runs, runs + sizeof runs);
    DecodedImage d;
    ASSERT_EQ(CodecDecodeBytes(dib.data(), dib.size(), 100, &d), 0);
    ASSERT_EQ(d.width, 4);
    ASSERT_EQ(d.height, 3);
    const int want[12] = {3, -1, -1, -1, -1, 3, 2, 1, 1, 2, 1, 2};   // -1: unwritten
    for (int i = 0; i < 12; i++) {
        EXPECT_EQ(d.mask[i], want[i] >= 0 ? 1 : 0) << i;
        if (want[i] >= 0) {
            EXPECT_EQ(d.indices[i], want[i]) << i;
        }
    }
    EXPECT_EQ(d.palette_count, 4);
    EXPECT_EQ(d.palette[1], 0xFF0000u);
    CodecFreeImage(&d);
}

TEST(CodecFiles, TruncatedForeignAndSpecialFilesFail) {
    const std::string dir = FreshFolder("codec_fail");
    const std::vector<uint32_t> pattern = PatternPixels(24, 16);
    const CodecPicture picture{24, 16, 32, 24 * 4, (const uint8_t*)pattern.data(), nullptr};
    for (CodecFormat f : {CODEC_BMP, CODEC_JPEG, CODEC_GIF, CODEC_PNG, CODEC_TIFF}) {
        std::vector<uint8_t> bytes;
        ASSERT_EQ(CodecEncodeBytes(f, picture, &bytes), 0) << f;
        DecodedImage d;
        ASSERT_EQ(CodecDecodeBytes(bytes.data(), bytes.size(), 1000, &d), 0) << f;
        CodecFreeImage(&d);
        EXPECT_EQ(CodecDecodeBytes(bytes.data(), bytes.size() * 6 / 10, 1000, &d), 1) << "cut file, format " << f;
        EXPECT_EQ(CodecDecodeBytes(bytes.data(), bytes.size(), 24 * 16 - 1, &d), 1) << "over the cap, format " << f;
    }
    // A GIF whose logical screen is 65535 x 65535 is refused before anything is allocated.
    const std::string bomb = GifOfHugeScreen();
    DecodedImage d;
    EXPECT_EQ(CodecDecodeBytes((const uint8_t*)bomb.data(), bomb.size(), 1u << 24, &d), 1);
    EXPECT_EQ(CodecDecodeBytes((const uint8_t*)bomb.data(), bomb.size(), 1ull << 33, &d), 0);
    CodecFreeImage(&d);

    const std::string fifo = dir + "/fifo.png", wmf = dir + "/x.wmf", empty = dir + "/empty.bmp";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    WriteFileBytes(wmf, std::string("\xD7\xCD\xC6\x9A\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 22));
    WriteFileBytes(empty, "");
    for (const std::string& path : {fifo, wmf, empty, dir, dir + "/missing.png"}) {
        EXPECT_EQ(CodecDecodeFile(path.c_str(), &d), 1) << path;
        EXPECT_EQ(d.pixels, nullptr);
    }
}

// Past the file-size limit (ulimit -f) a save fails with EFBIG instead of the signal ending
// the program, and the file it would have replaced stays as it was. In a child, which takes
// the limit and the signal's disposition with it.
TEST(CodecFiles, SavingPastTheFileSizeLimitFailsAndKeepsTheOldFile) {
    const std::string dir = FreshFolder("codec_fsize");
    const std::string path = dir + "/kept.bmp";
    ASSERT_TRUE(WriteFileBytes(path, "the old file"));
    std::vector<uint32_t> pixels(64 * 64, 0x123456);
    const pid_t pid = fork();
    if (pid == 0) {
        const struct rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        const CodecPicture picture{64, 64, 32, 64 * 4, (const uint8_t*)pixels.data(), nullptr};
        const int code = CodecEncodeFile(path.c_str(), CODEC_BMP, picture);
        _exit(code == 1 && errno == EFBIG ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_FALSE(WIFSIGNALED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFileBytes(path), "the old file");
    EXPECT_EQ(RunCommand("ls -A " + dir), "kept.bmp\n");
}

// Pictures whose buffers are large enough to be mapped rather than allocated come back whole.
TEST(CodecFiles, LargePicturesComeBackWhole) {
    const int w = 1600, h = 1400;
    const std::vector<uint32_t> pattern = PatternPixels(w, h);
    const CodecPicture picture{w, h, 32, w * 4, (const uint8_t*)pattern.data(), nullptr};
    for (CodecFormat f : {CODEC_BMP, CODEC_PNG}) {
        std::vector<uint8_t> bytes;
        ASSERT_EQ(CodecEncodeBytes(f, picture, &bytes), 0);
        DecodedImage d;
        ASSERT_EQ(CodecDecodeBytes(bytes.data(), bytes.size(), (uint64_t)w * h, &d), 0) << f;
        size_t wrong = 0;
        for (size_t i = 0; i < pattern.size(); i++) wrong += (d.pixels[i] & 0xFFFFFF) != pattern[i];
        EXPECT_EQ(wrong, 0u) << f;
        CodecFreeImage(&d);
    }
}

}  // namespace
