// Opening picture files as new images in the running program: the header's answer matches the
// image made for every kind of file, HEIC and AVIF too (depth by colour table, size after
// orientation), the lowest free slot is taken, the title is the name cut at a character
// boundary, and each failure code leaves every slot as it was.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imagewin/image_table.h"
#include "pxk.h"
#include "support/harness.h"
#include "support/heif_files.h"
#include "support/image_access.h"
#include "support/outside_io.h"
#include "support/picture_files.h"
#include "support/program_fixture.h"
#include "support/worker_jobs.h"

extern "C" void UserSetup(void) { StartRequested.store(1); }
extern "C" void UserMain(void) { ServeJobsUntilExit(); }

namespace {

using ImageOpenRun = ProgramTest;

struct Made {
    std::vector<int> size;          // width, height, bits
    std::string title;
    std::vector<uint32_t> colors;   // every pixel's colour, through the table for 8 bits
};

Made Describe(int index) {
    return Ask<Made>([=] {
        const ImageRecord& r = image_table[index];
        Made m{{r.width, r.height, r.bits}, r.title ? r.title : "", ReadImagePixels(index)};
        PXK_Color table[256];
        PXK_SelectImage(index);
        PXK_GetPalette(table);
        PXK_SelectPreviousImage();
        for (uint32_t& c : m.colors) c = r.bits == 32 ? c & 0xFFFFFF : table[c];
        return m;
    });
}

std::vector<int> SlotsInUse() {
    return Ask<std::vector<int>>([] {
        std::vector<int> used;
        for (int k = 0; k < IMAGE_SLOTS; k++)
            if (image_table[k].in_use.load()) used.push_back(k);
        return used;
    });
}

int Open(const std::string& path) { return Ask<int>([=] { return PXK_OpenImageFile(path.c_str()); }); }

TEST_F(ImageOpenRun, EveryKindOfFileOpensAsItsHeaderSays) {
    const std::string dir = FreshFolder("open_kinds");
    ASSERT_TRUE(WritePpm(dir + "/src.ppm", 7, 5));
    // HEIC and AVIF come from libheif's encoders (args null), coded without loss but for the
    // rounding of their colour conversion; the turned one carries a rotation of orientation 6.
    const struct { const char* name; const char* args; int width, height, bits, tolerance; } cases[] = {
        {"rgb.png", "PNG24:", 7, 5, 32, 0},
        {"palette.png", "-type Palette PNG8:", 7, 5, 8, 0},
        {"p.gif", "GIF:", 7, 5, 8, 0},
        {"p8.bmp", "-type Palette BMP3:", 7, 5, 8, 0},
        {"rgb.bmp", "BMP3:", 7, 5, 32, 0},
        {"palette.tif", "-type Palette TIFF:", 7, 5, 8, 0},
        {"turned.tif", "-orient RightTop TIFF:", 5, 7, 32, 0},
        {"p.webp", "-define webp:lossless=true WEBP:", 7, 5, 32, 0},
        {"p.heic", nullptr, 7, 5, 32, 1},
        {"p.avif", nullptr, 7, 5, 32, 1},
        {"turned.heic", nullptr, 5, 7, 32, 1},
    };
    std::vector<uint16_t> samples;
    for (int i = 0; i < 7 * 5; i++)
        for (int shift = 16; shift >= 0; shift -= 8) samples.push_back((uint16_t)(PatternColor(i % 7, i / 7) >> shift & 0xFF));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/" + c.name;
        if (c.args)
            RunCommand("convert " + dir + "/src.ppm " + c.args + path);
        else
            ASSERT_TRUE(WriteHeifFile(path, HeifWriting{path.back() == 'f', 8, c.width == 7 ? 1 : 6, true}, 7, 5, samples));
        int w = 0, h = 0, bits = 0;
        ASSERT_EQ(Ask<int>([&] { return PXK_ImageFileInfo(path.c_str(), &w, &h, &bits); }), 0);
        const std::vector<int> size = {c.width, c.height, c.bits};
        EXPECT_EQ((std::vector<int>{w, h, bits}), size) << "the header's answer";
        ASSERT_EQ(Open(path), 0);
        const Made m = Describe(0);
        ASSERT_EQ(m.size, size) << "the image made";
        EXPECT_EQ(m.title, c.name);
        EXPECT_EQ(Ask<int>(CurrentImageIndex), 0);
        // The upright ones show the pattern exactly; the turned one its first stored row down the right.
        for (int i = 0; i < c.width * c.height; i++) {
            const int x = i % c.width, y = i / c.width;
            const uint32_t want = c.width == 7 ? PatternColor(x, y) : PatternColor(y, c.width - 1 - x);
            EXPECT_LE(ChannelDistance(m.colors[i], want), c.tolerance) << x << "," << y;
        }
        Ask<int>([] { return PXK_DestroyImage(0); });
    }
}

TEST_F(ImageOpenRun, TakesTheLowestFreeSlotAndCutsLongNamesAtACharacter) {
    const std::string dir = FreshFolder("open_slots");
    // 60 two-byte characters (120 bytes), then 40 three-byte ones: the title's last byte, 239,
    // falls inside one, which is left out whole.
    std::string name;
    for (int i = 0; i < 60; i++) name += "\xC3\xA9";
    for (int i = 0; i < 40; i++) name += "\xE2\x82\xAC";
    name += ".png";
    ASSERT_TRUE(WritePpm(dir + "/src.ppm", 3, 2));
    RunCommand("convert " + dir + "/src.ppm PNG24:'" + dir + "/" + name + "'");
    for (int k : {0, 1, 3}) ASSERT_EQ(Ask<int>([=] { return PXK_CreateImage(k, "x", -1, -1, 4, 4, 100); }), 0);
    ASSERT_EQ(Open(dir + "/" + name), 2);
    EXPECT_EQ(Describe(2).title, name.substr(0, 120 + 39 * 3));
    ASSERT_EQ(Open(dir + "/" + name), 4);
}

TEST_F(ImageOpenRun, EachFailureCodeLeavesEverySlotAsItWas) {
    const std::string dir = FreshFolder("open_fail");
    ASSERT_TRUE(WritePpm(dir + "/src.ppm", 64, 48));
    RunCommand("convert " + dir + "/src.ppm PNG24:" + dir + "/p.png");
    const std::string png = ReadFileBytes(dir + "/p.png");
    WriteFileBytes(dir + "/cut.png", png.substr(0, png.size() / 2));
    // A header claiming a million by a million pixels: beyond the memory of any machine.
    WriteFileBytes(dir + "/huge.tif", TiffBytes({{256, 4, {1000000}}, {257, 4, {1000000}}, {258, 3, {8}}, {262, 3, {1}},
                                                 {273, 4, {8}}, {277, 3, {1}}, {278, 4, {1}}, {279, 4, {1000000}}},
                                                std::string(64, '\0')));
    ASSERT_EQ(Ask<int>([] { return PXK_CreateImage(0, "x", -1, -1, 4, 4, 100); }), 0);
    const std::vector<int> before = SlotsInUse();
    const struct { std::string path; int code; } cases[] = {
        {dir + "/missing.png", -1}, {dir + "/cut.png", -1}, {dir + "/src.ppm", -1}, {dir, -1}, {dir + "/huge.tif", -3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Open(c.path), c.code) << c.path;
        EXPECT_EQ(SlotsInUse(), before) << c.path;
    }
    int w = -5, h = -5, bits = -5;
    for (const char* path : {"/missing.png", "/src.ppm", ""})
        EXPECT_EQ(Ask<int>([&] { return PXK_ImageFileInfo((dir + path).c_str(), &w, &h, &bits); }), 1) << path;
    EXPECT_EQ(w + h + bits, -15);   // left alone
    // Every slot in use: -2, and the file is not even read.
    OnWorker([] {
        for (int k = 1; k < IMAGE_SLOTS; k++) PXK_CreateImage(k, "x", -1, -1, 1, 1, 100);
    });
    ASSERT_EQ(SlotsInUse().size(), (size_t)IMAGE_SLOTS);
    EXPECT_EQ(Open(dir + "/p.png"), -2);
    EXPECT_EQ(SlotsInUse().size(), (size_t)IMAGE_SLOTS);
}

}  // namespace
