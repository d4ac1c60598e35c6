// Hostile picture files, made here: decompression bombs of which a load keeps a small part,
// forged and cut JPEGs, TIFF strips that all point at one row, pictures beyond the memory a
// decode may take. Each decode runs in a child process that reports how much its peak
// resident memory grew, so that a fault shows as a number instead of taking the machine.
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/clip_picture.h"
#include "codec/codec.h"
#include "platform/draw/surface.h"
#include "support/heif_files.h"
#include "support/outside_io.h"
#include "support/picture_files.h"

namespace {

const uint64_t MB = 1ull << 20;

// What the child saw.
struct Outcome {
    int code;
    int reason;          // errno after a failure
    long growth_kb;      // peak resident memory less the resident memory at the start
    int width, height;   // of the kept part
    uint32_t first;      // its first pixel word or index
};

long StatusKb(const char* field) {
    FILE* f = fopen("/proc/self/status", "r");
    char line[256];
    long kb = 0;
    while (f && fgets(line, sizeof line, f))
        if (strncmp(line, field, strlen(field)) == 0) kb = atol(line + strlen(field));
    if (f) fclose(f);
    return kb;
}

Outcome DecodeInChild(const std::string& bytes, const CodecLimits& limits) {
    Outcome o{-1, 0, 0, 0, 0, 0};
    int fds[2];
    if (pipe(fds) != 0) return o;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const long start = StatusKb("VmRSS:");
        DecodedImage d;
        Outcome c{CodecDecodeBytes((const uint8_t*)bytes.data(), bytes.size(), limits, &d), errno, 0, d.width,
                  d.height, 0};
        if (c.code == 0 && d.width > 0) c.first = d.pixels ? d.pixels[0] & 0xFFFFFF : d.indices[0];
        c.growth_kb = StatusKb("VmHWM:") - start;
        if (write(fds[1], &c, sizeof c) != (ssize_t)sizeof c) _exit(1);
        _exit(0);
    }
    close(fds[1]);
    if (read(fds[0], &o, sizeof o) != (ssize_t)sizeof o) o.code = -1;
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return o;
}

// A 4-bit RLE bitmap of width x height whose coded data is one end of bitmap: nothing painted.
std::string TallRle4Bmp(int width, int height) {
    const auto le = LittleEndian;
    std::string bmp = "BM" + le(14 + 40 + 64 + 2, 4) + le(0, 4) + le(14 + 40 + 64, 4) + le(40, 4) + le(width, 4) +
                      le(height, 4) + le(1, 2) + le(4, 2) + le(2, 4) /* RLE4 */ + le(2, 4) + std::string(16, '\0');
    for (uint32_t i = 0; i < 16; i++) bmp += le(i * 0x111111u, 4);
    return bmp + std::string("\0\1", 2);
}

// A HEIC as ImageMagick writes it, one tile in a grid, whose grid states a canvas of 30256 x
// 12566 (1.1 GB as libheif's RGB) while its ispe box states 40 x 22.
std::string HeicGridBomb() {
    const std::string path = FreshFolder("hostile_heic") + "/grid.heic";
    RunCommand("convert -size 40x22 xc:red " + path);
    std::string file = ReadFileBytes(path);
    const size_t at = file.find("idat");
    if (at == std::string::npos || file.size() < at + 16 || (file[at + 5] & 1)) return "";
    const std::string canvas = BigEndian(30256, 2) + BigEndian(12566, 2);
    return file.replace(at + 8, 4, canvas);
}

// A HEIC of 200 x 100 as its boxes state whose parameter set codes 30256 x 12568.
std::string HeicSpsBomb() {
    const std::string path = FreshFolder("hostile_sps") + "/sps.heic";
    if (!WriteHeifFile(path, HeifWriting{false, 8, 1, false}, 200, 100, std::vector<uint16_t>(200 * 100 * 3, 90)))
        return "";
    return HeicWithCodedSize(ReadFileBytes(path), 30256, 12568);
}

TEST(HostileFiles, BombsKeepOnlyWhatLandsAndForgeriesFail) {
    const std::string photo = PatternJpeg(64, 48), cut = JpegCutWithEndMarker(photo, 64, 48, (photo.size() - 600) / 2);
    const std::string png = PngOfZeros(12000, 12000), tiff = TiffStripsOnOneRow(20000, 20000);
    const CodecKeep corner{0, 0, 256, 256}, all{};
    const struct {
        const char* what;
        std::string bytes;
        CodecKeep keep;
        uint64_t max_bytes;
        int code, reason, width = 0;
        uint32_t first = 0;
    } cases[] = {
        // 144 megapixels of zeros (576 MB as words) from a file of a few hundred kilobytes,
        // loaded into a 256 x 256 image.
        {"png bomb into 256 x 256", png, corner, 1024 * MB, 0, 0, 256, 0},
        {"png bomb whole within 64 MB", png, all, 64 * MB, 1, ENOMEM},
        // 20000 strips of one row each, all pointing at one row of grey: 1.6 GB as one raster.
        {"tiff strips on one row into 256 x 256", tiff, corner, 1024 * MB, 0, 0, 256, 0x404040},
        {"tiff strips on one row whole within 64 MB", tiff, all, 64 * MB, 1, ENOMEM},
        {"gif screen of 65535 x 65535 into 256 x 256", GifOfHugeScreen(), corner, 1024 * MB, 0, 0, 256, 0},
        {"gif screen of 65535 x 65535 whole within 64 MB", GifOfHugeScreen(), all, 64 * MB, 1, ENOMEM},
        {"rle4 bitmap of 7 x 268435469 into 256 x 256", TallRle4Bmp(7, 268435469), corner, 1024 * MB, 0, 0, 7, 0},
        // A frame header claiming 65500 x 65500 before a few bytes of data and an end marker.
        {"jpeg forged to 65500 x 65500", JpegCutWithEndMarker(photo, 65500, 65500, 40), corner, 1024 * MB, 1, EINVAL},
        // A photo cut in half with an end marker appended would show a grey lower half.
        {"jpeg cut in half with an end marker", cut, all, 1024 * MB, 1, EINVAL},
        // The same kept to a corner: the rows below it are skipped, yet their data is decoded.
        {"jpeg cut with an end marker, kept 8 x 8", cut, CodecKeep{0, 0, 8, 8}, 1024 * MB, 1, EINVAL},
        // Refused before decoding, as not the size its boxes state; libheif would allocate
        // the canvas first.
        {"heic grid canvas of 30256 x 12566 stating 40 x 22", HeicGridBomb(), all, 4096 * MB, 1, EINVAL},
        {"heic sps coding 30256 x 12568 stating 200 x 100", HeicSpsBomb(), all, 4096 * MB, 1, EINVAL},
        {"the whole photo", photo, all, 1024 * MB, 0, 0, 64, PatternColor(0, 0)},
        {"the photo's middle", photo, CodecKeep{20, 16, 30, 30}, 1024 * MB, 0, 0, 10, PatternColor(20, 16)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.bytes.empty());
        const Outcome o = DecodeInChild(c.bytes, CodecLimits{CodecDefaultPixelCap(), c.max_bytes, c.keep});
        EXPECT_EQ(o.code, c.code);
        if (c.code) {
            EXPECT_EQ(o.reason, c.reason);
            EXPECT_EQ(o.width, 0);
        } else {
            EXPECT_EQ(o.width, c.width);
            // JPEG's colours come back within a step of quality 100's rounding.
            EXPECT_LE(ChannelDistance(o.first, c.first), 2) << std::hex << o.first;
        }
        EXPECT_LT(o.growth_kb, 64 * 1024) << "peak resident memory grew by " << o.growth_kb << " kB";
    }
}

// A pasted picture is decoded straight into the surface the paste takes, as a file is loaded
// into an image: the rows the file never paints are neither copied nor scanned, and the
// surface alone has to fit (a picture of 1.9 GB of pixels within 2.1 GB).
TEST(HostileFiles, APastedTallRlePictureTakesOnlyItsSurface) {
    const std::string bmp = TallRle4Bmp(7, 268435469);
    const auto paste = [&](uint64_t max_bytes, Surface** s, int* colors) {
        return ClipAnswerToSurface("image/bmp", (const uint8_t*)bmp.data(), bmp.size(), max_bytes, s, colors);
    };
    Surface* s = nullptr;
    int colors = -1;
    const uint64_t surface_bytes = 8ull * 268435469;
    ASSERT_EQ(paste(surface_bytes + MB, &s, &colors), 0);
    EXPECT_EQ(s->width, 7);
    EXPECT_EQ(s->height, 268435469);
    EXPECT_EQ(colors, 16);
    EXPECT_TRUE(SurfaceUntouched(s));
    PlatDestroySurface(s);
    // Too large for the memory given: refused with its own code, nothing made.
    EXPECT_EQ(paste(surface_bytes / 2, &s, &colors), CLIP_PICTURE_TOO_LARGE);
    EXPECT_EQ(errno, ENOMEM);
    EXPECT_EQ(s, nullptr);
}

}  // namespace
