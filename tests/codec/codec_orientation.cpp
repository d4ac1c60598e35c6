// Exif orientation in the image codec: a 3 x 2 picture of six distinct colours tagged with each
// of the eight orientations in a JPEG (APP1), a PNG (eXIf), a WebP (EXIF chunk, big- and
// little-endian blocks) and a TIFF (its own tag, written by ImageMagick, whose -auto-orient is
// checked too) comes out turned and mirrored as viewers show it, also when only a part of the
// shown picture is kept and when the kept part goes into a lent buffer.
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "codec/codec.h"
#include "codec/exif_orientation.h"
#include "support/outside_io.h"
#include "support/picture_files.h"

namespace {

// Stored:  A B C     the shown picture of each orientation, row by row, as photo viewers
//          D E F     (and the Exif standard's figures) show it.
const uint32_t COLORS[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF};
const char* const SHOWN[9] = {"", "ABC/DEF", "CBA/FED", "FED/CBA", "DEF/ABC",
                              "AD/BE/CF", "DA/EB/FC", "FC/EB/DA", "CF/BE/AD"};

// An Exif block of one directory holding the orientation tag, in either byte order.
std::string ExifBlock(int orientation, bool big_endian) {
    auto n = [=](uint32_t v, int bytes) { return big_endian ? BigEndian(v, bytes) : LittleEndian(v, bytes); };
    return std::string(big_endian ? "MM\0*" : "II*\0", 4) + n(8, 4) + n(1, 2) + n(274, 2) + n(3, 2) + n(1, 4) +
           n((uint32_t)orientation, 2) + n(0, 2) + n(0, 4);
}

// The file of format with the orientation tag put in where its writers put it.
std::string Tagged(const std::string& plain, const std::string& format, int orientation, bool big_endian) {
    const std::string exif = ExifBlock(orientation, big_endian);
    if (format == "jpg")
        return plain.substr(0, 2) + "\xFF\xE1" + BigEndian((uint32_t)exif.size() + 8, 2) + std::string("Exif\0\0", 6) +
               exif + plain.substr(2);
    if (format == "png") return plain.substr(0, 33) + PngChunk("eXIf", exif) + plain.substr(33);
    // WebP: the simple file's image chunk inside the extended layout, with the EXIF flag.
    const auto le = LittleEndian;
    const std::string vp8x = "VP8X" + le(10, 4) + le(0x08, 4) + le(2, 3) + le(1, 3);
    const std::string body = "WEBP" + vp8x + plain.substr(12) + "EXIF" + le((uint32_t)exif.size(), 4) + exif;
    return "RIFF" + le((uint32_t)body.size(), 4) + body;
}

// The shown picture of a decode as letters, "?" for a colour that is none of the six.
std::string Letters(const DecodedImage& d, int tolerance) {
    std::string out;
    const std::vector<uint32_t> words = DecodedWords(d);
    for (size_t i = 0; i < words.size(); i++) {
        out += i && i % d.width == 0 ? "/?" : "?";
        for (int c = 0; c < 6; c++)
            if (ChannelDistance(words[i], COLORS[c]) <= tolerance) out.back() = (char)('A' + c);
    }
    return out;
}

uint8_t* LendWords(void* context, int width, int height, bool, size_t* stride) {
    std::vector<uint32_t>* buffer = (std::vector<uint32_t>*)context;
    buffer->assign((size_t)width * height, 0);
    *stride = (size_t)width * 4;
    return (uint8_t*)buffer->data();
}

TEST(CodecOrientation, EveryOrientationOfEveryTaggedFormatIsShownAsViewersShowIt) {
    const std::string dir = FreshFolder("codec_orient");
    const std::vector<uint32_t> stored(COLORS, COLORS + 6);
    ASSERT_TRUE(WritePpm(dir + "/s.ppm", 3, 2, &stored));
    RunCommand("cd " + dir + " && convert s.ppm -quality 100 -sampling-factor 1x1 s.jpg && convert s.ppm PNG24:s.png"
               " && convert s.ppm -define webp:lossless=true s.webp");
    const char* const tiff_names[9] = {"", "TopLeft", "TopRight", "BottomRight", "BottomLeft",
                                       "LeftTop", "RightTop", "RightBottom", "LeftBottom"};
    for (int o = 1; o <= 8; o++) {
        SCOPED_TRACE("orientation " + std::to_string(o));
        const std::string tif = dir + "/o" + std::to_string(o) + ".tif";
        RunCommand("convert " + dir + "/s.ppm -orient " + tiff_names[o] + " " + tif);
        // ImageMagick shows the TIFF as the table says.
        const std::string upright = dir + "/upright" + std::to_string(o) + ".png";
        RunCommand("convert " + tif + " -auto-orient PNG24:" + upright);
        DecodedImage d;
        ASSERT_EQ(CodecDecodeFile(upright.c_str(), &d), 0);
        EXPECT_EQ(Letters(d, 0), SHOWN[o]) << "ImageMagick";
        CodecFreeImage(&d);
        struct File { std::string name, bytes; int tolerance; };
        std::vector<File> files = {{"tif", ReadFileBytes(tif), 0}};
        for (const char* format : {"jpg", "png", "webp"})
            for (bool big_endian : {true, false})
                files.push_back({std::string(format) + (big_endian ? " MM" : " II"),
                                 Tagged(ReadFileBytes(dir + "/s." + format), format, o, big_endian),
                                 strcmp(format, "jpg") == 0 ? 12 : 0});
        for (const File& f : files) {
            SCOPED_TRACE(f.name);
            const uint8_t* bytes = (const uint8_t*)f.bytes.data();
            EXPECT_EQ(FindStoredOrientation(bytes, f.bytes.size()).orientation, o);
            ASSERT_EQ(CodecDecodeBytes(bytes, f.bytes.size(), CodecDefaultLimits(), &d), 0);
            EXPECT_EQ(Letters(d, f.tolerance), SHOWN[o]);
            EXPECT_EQ(d.picture_width, o >= 5 ? 2 : 3);
            CodecFreeImage(&d);
            // The shown picture's second column and last row alone, into a lent buffer.
            std::vector<uint32_t> lent;
            CodecLimits limits = KeepOnly(1, 1, 2, 3);
            limits.lend = LendWords;
            limits.lend_context = &lent;
            ASSERT_EQ(CodecDecodeBytes(bytes, f.bytes.size(), limits, &d), 0);
            const std::string want = SHOWN[o];
            const size_t row = want.find('/') + 1;
            std::string part;
            for (size_t r = row; r < want.size(); r += row) part += (part.empty() ? "" : "/") + want.substr(r + 1, 1);
            EXPECT_EQ(Letters(d, f.tolerance), part);
            EXPECT_TRUE(d.lent);
            EXPECT_EQ((uint8_t*)d.pixels, (uint8_t*)lent.data());
            CodecFreeImage(&d);
        }
    }
}

// Pictures larger than the turn's tiles, with a last tile cut short, in 32 bits and as palette
// indices: every kept pixel of every orientation comes from its stored place.
TEST(CodecOrientation, PicturesOfManyTilesAreTurnedPixelForPixel) {
    const int w = 150, h = 70;
    std::vector<uint32_t> words((size_t)w * h), grey(256);
    std::vector<uint8_t> indices((size_t)w * h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            words[(size_t)y * w + x] = PatternColor(x, y);
            indices[(size_t)y * w + x] = (uint8_t)(x * 7 + y * 13);
        }
    for (int i = 0; i < 256; i++) grey[i] = (uint32_t)i * 0x010101u;
    for (int bits : {32, 8}) {
        const CodecPicture picture{w, h, bits, bits == 32 ? w * 4 : w,
                                   bits == 32 ? (const uint8_t*)words.data() : indices.data(), grey.data()};
        std::vector<uint8_t> png;
        ASSERT_EQ(CodecEncodeBytes(CODEC_PNG, picture, &png), 0);
        for (int o = 1; o <= 8; o++) {
            SCOPED_TRACE(std::to_string(bits) + " bits, orientation " + std::to_string(o));
            const std::string file = Tagged(std::string(png.begin(), png.end()), "png", o, false);
            CodecLimits limits = CodecDefaultLimits();
            limits.keep = CodecKeep{5, 3, 140, 149};
            DecodedImage d;
            ASSERT_EQ(CodecDecodeBytes((const uint8_t*)file.data(), file.size(), limits, &d), 0);
            const int shown_w = o >= 5 ? h : w, shown_h = o >= 5 ? w : h;
            ASSERT_EQ(d.width, std::min(140, shown_w) - 5);
            ASSERT_EQ(d.height, std::min(149, shown_h) - 3);
            ASSERT_EQ(d.indices != nullptr, bits == 8);
            int wrong = 0;
            for (int y = 0; y < d.height; y++)
                for (int x = 0; x < d.width; x++) {
                    int sx = 0, sy = 0;
                    ShownToStored(o, w, h, x + 5, y + 3, &sx, &sy);
                    const uint8_t* row = (d.indices ? d.indices : (const uint8_t*)d.pixels) + y * d.stride;
                    const uint32_t ours = bits == 32 ? ((const uint32_t*)row)[x] & 0xFFFFFF : row[x];
                    const uint32_t want = bits == 32 ? words[(size_t)sy * w + sx] : indices[(size_t)sy * w + sx];
                    wrong += ours != want;
                }
            EXPECT_EQ(wrong, 0);
            CodecFreeImage(&d);
        }
    }
}

// Blocks that name no orientation, a wrong type or a directory outside the block read as 1.
TEST(CodecOrientation, DamagedBlocksReadAsUpright) {
    const std::string good = ExifBlock(6, false);
    EXPECT_EQ(ExifOrientation((const uint8_t*)good.data(), good.size()), 6);
    std::string wrong_type = good, far_directory = good, big_value = good;
    wrong_type[12] = 4;
    far_directory[4] = (char)0xF0;
    big_value[18] = 9;
    for (const std::string& b : {wrong_type, far_directory, big_value, good.substr(0, 17), std::string("II*")})
        EXPECT_EQ(ExifOrientation((const uint8_t*)b.data(), b.size()), 1) << b.size();
}

}  // namespace
