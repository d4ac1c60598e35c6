// The header size probe against pictures ImageMagick writes in every format it knows, in both
// TIFF byte orders, BMP's old and new headers and top-down rows, and icons of several
// pictures; then what is not a picture: damaged headers, other files, a folder, no file.
#include "imagewin/image_probe.h"
#include "support/outside_io.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <string>

namespace {

struct ProbeFolder : ::testing::Test {
    void SetUp() override {
        char pattern[] = "/tmp/pixkit-probe-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override { RunCommand("rm -rf '" + folder + "'"); }
    // Writes a picture with ImageMagick: convert <input> <options> <file>.
    std::string Write(const std::string& name, const std::string& input, const std::string& options = "") {
        std::string path = folder + "/" + name;
        RunCommand("convert " + input + " " + options + " '" + path + "' 2>&1");
        return path;
    }
    std::string folder;
};

TEST_F(ProbeFolder, ReadsTheSizeOfEveryFormatFromItsHeader) {
    const struct { const char* name; const char* input; const char* options; int width, height; } cases[] = {
        {"a.png", "-size 37x21 xc:red", "", 37, 21},
        {"a.jpg", "-size 301x7 gradient:", "", 301, 7},
        // A JPEG whose frame header follows a large metadata block, and a progressive one.
        {"b.jpg", "-size 64x50 xc:blue", "-set comment \"$(head -c 60000 /dev/zero | tr '\\0' x)\"", 64, 50},
        {"c.jpg", "-size 90x33 plasma:", "-interlace Plane", 90, 33},
        {"a.gif", "-size 5x900 xc:green", "", 5, 900},
        {"le.tif", "-size 1000x3 xc:gray", "-define tiff:endian=lsb", 1000, 3},
        {"be.tif", "-size 3x9000 xc:gray", "-define tiff:endian=msb", 3, 9000},
        {"a.bmp", "-size 13x11 xc:white", "", 13, 11},
        {"core.bmp", "-size 17x9 xc:white", "BMP2:", 17, 9},
        {"a.ico", "-size 37x21 xc:red", "", 37, 21},
        {"sizes.ico", "-size 64x64 xc:red", "-define icon:auto-resize=16,48,32", 48, 48},
        {"big.ico", "-size 256x256 xc:red", "", 256, 256},
        {"lossy.webp", "-size 301x7 gradient:", "-quality 50", 301, 7},
        {"lossless.webp", "-size 37x4000 xc:red", "-define webp:lossless=true", 37, 4000},
        {"alpha.webp", "-size 5x9 xc:none", "-quality 50", 5, 9},
        {"a.heic", "-size 37x21 xc:red", "", 37, 21},
        {"a.avif", "-size 21x37 gradient:", "", 21, 37},
        // A quarter-turned TIFF is shown with width and height swapped; half-turned is not.
        {"turned.tif", "-size 1000x3 xc:gray", "-orient RightTop", 3, 1000},
        {"half.tif", "-size 1000x3 xc:gray", "-orient BottomRight", 1000, 3},
    };
    for (const auto& c : cases) {
        std::string options = c.options;
        std::string name = c.name;
        // BMP2: is a prefix of the output name.
        std::string path = folder + "/" + name;
        if (options == "BMP2:") {
            RunCommand("convert " + std::string(c.input) + " 'BMP2:" + path + "' 2>&1");
        } else {
            path = Write(name, c.input, options);
        }
        int w = -1, h = -1;
        EXPECT_EQ(ProbeImageFileSize(path.c_str(), &w, &h), PROBE_OK) << name;
        EXPECT_EQ(w, c.width) << name;
        EXPECT_EQ(h, c.height) << name;
    }
}

TEST_F(ProbeFolder, TopDownBitmapsCountTheirRowsAsPositive) {
    std::string path = Write("a.bmp", "-size 20x30 xc:white");
    std::string bytes = ReadFileBytes(path);
    ASSERT_GT(bytes.size(), 26u);
    // Height -30, stored little-endian at offset 22.
    const unsigned char minus30[4] = {0xE2, 0xFF, 0xFF, 0xFF};
    bytes.replace(22, 4, (const char*)minus30, 4);
    int w = 0, h = 0;
    EXPECT_EQ(ProbeImageSize((const unsigned char*)bytes.data(), (long)bytes.size(), &w, &h), PROBE_OK);
    EXPECT_EQ(w, 20);
    EXPECT_EQ(h, 30);
}

TEST_F(ProbeFolder, RefusesWhatIsNotAPicture) {
    std::string png = ReadFileBytes(Write("a.png", "-size 8x8 xc:red"));
    std::string jpg = ReadFileBytes(Write("a.jpg", "-size 8x8 xc:red"));
    std::string heic = ReadFileBytes(Write("a.heic", "-size 8x8 xc:red"));
    std::string zero_width = png;
    zero_width.replace(16, 4, std::string(4, '\0'));
    const struct { const char* what; std::string bytes; int rc; } cases[] = {
        {"text", "hello, this is no picture", PROBE_UNKNOWN},
        {"empty", "", PROBE_UNKNOWN},
        {"png cut in its header", png.substr(0, 20), PROBE_UNKNOWN},
        {"jpeg cut before its frame header", jpg.substr(0, 6), PROBE_UNKNOWN},
        {"png of width 0", zero_width, PROBE_NO_SIZE},
        {"heic cut in its boxes", heic.substr(0, 40), PROBE_UNKNOWN},
        {"tiff pointing outside the file", std::string("II*\0\xFF\xFF\0\0", 8), PROBE_UNKNOWN},
    };
    for (const auto& c : cases) {
        std::string path = folder + "/x";
        ASSERT_TRUE(WriteFileBytes(path, c.bytes));
        int w = -1, h = -1;
        EXPECT_EQ(ProbeImageFileSize(path.c_str(), &w, &h), c.rc) << c.what;
        EXPECT_EQ(w, 0) << c.what;
        EXPECT_EQ(h, 0) << c.what;
    }
    int w = -1, h = -1;
    EXPECT_EQ(ProbeImageFileSize((folder + "/missing.png").c_str(), &w, &h), PROBE_UNREADABLE);
    EXPECT_NE(ProbeImageFileSize(folder.c_str(), &w, &h), PROBE_OK);
    EXPECT_EQ(w, 0);
    // A FIFO without a writer would block a plain open for ever; the probe refuses it at once.
    const std::string fifo = folder + "/fifo.png";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ProbeImageFileSize(fifo.c_str(), &w, &h), PROBE_UNREADABLE);
}

}  // namespace
