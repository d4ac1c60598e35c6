// Image files in the running program on the headless backend: saves in the six formats
// checked by ImageMagick and loaded back, loading that clips and keeps the uncovered part,
// palettes into 8-bit images, files that change nothing, the save's names and codes, a
// write-protected target, and files dropped on an image window.
#include <errno.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imagewin/image_table.h"
#include "pxk.h"
#include "support/harness.h"
#include "support/image_access.h"
#include "support/program_fixture.h"
#include "support/outside_io.h"
#include "support/picture_files.h"
#include "support/worker_jobs.h"

extern "C" void UserSetup(void) { StartRequested.store(1); }
extern "C" void UserMain(void) { ServeJobsUntilExit(); }

namespace {

const char* const EXTENSIONS[] = {".bmp", ".jpg", ".gif", ".png", ".tif", ".webp"};

using ImageFilesRun = ProgramTest;

void Create(int index, int width, int height, int bits) {
    ASSERT_EQ(Ask<int>([=] { return PXK_CreateImageEx(index, "file", 300 * index, 0, width, height, 100, bits, 1); }), 0);
}

// Runs fn with image index current, then brings the previous current image back.
template <typename T>
T WithImage(int index, const std::function<T()>& fn) {
    return Ask<T>([=] {
        PXK_SelectImage(index);
        const T result = fn();
        PXK_SelectPreviousImage();
        return result;
    });
}

// Pixel words (32-bit) or indices (8-bit) of the whole image, rows packed.
std::vector<uint32_t> Pixels(int index) {
    return WithImage<std::vector<uint32_t>>(index, [=] {
        const ImageRecord& r = image_table[index];
        std::vector<uint32_t> out((size_t)r.width * r.height);
        std::vector<uint8_t> bytes(out.size());
        if (r.bits == 32) PXK_ReadImageRect(out.data(), 0, 0, r.width, r.height);
        else PXK_ReadImageRect(bytes.data(), 0, 0, r.width, r.height);
        if (r.bits == 8) out.assign(bytes.begin(), bytes.end());
        return out;
    });
}

std::vector<uint32_t> Palette(int index) {
    return WithImage<std::vector<uint32_t>>(index, [] {
        std::vector<uint32_t> table(256);
        PXK_GetPalette((PXK_Color*)table.data());
        return table;
    });
}

// Writes value(x, y) into every pixel (a word or an index).
void Fill(int index, const std::function<uint32_t(int, int)>& value) {
    OnWorker([=] { WriteImagePixels(index, value); });
}

void SetPalette(int index, const std::vector<uint32_t>& table) {
    WithImage<int>(index, [=] { return PXK_SetPalette((const PXK_Color*)table.data(), (int)table.size()); });
}

int Load(int index, const std::string& path, int x = 0, int y = 0) {
    return WithImage<int>(index, [=] { return PXK_LoadImageFile(path.c_str(), x, y); });
}

int Save(int index, int width, int height, int format, const std::string& path) {
    return WithImage<int>(index, [=] { return PXK_SaveImageFile(height, width, format, path.c_str()); });
}

// The errno a failed save leaves (0 when it succeeded), read on the worker that saved.
int SaveReason(int index, int format, const std::string& path) {
    return WithImage<int>(index, [=] { return PXK_SaveImageFile(4, 5, format, path.c_str()) ? errno : 0; });
}

void Destroy(int index) { Ask<int>([=] { return PXK_DestroyImage(index); }); }

uint32_t PaletteColor(int i) { return PatternColor(i, 7); }   // 256 distinct colours
uint32_t IndexAt(int x, int y) { return (uint32_t)(x * 3 + y * 5 + 1) % 256; }

TEST_F(ImageFilesRun, SavesInEveryFormatReadByImageMagickAndLoadedBack) {
    const std::string dir = FreshFolder("files_round");
    std::vector<uint32_t> table(256);
    for (int i = 0; i < 256; i++) table[i] = PaletteColor(i);
    for (int bits : {8, 32})
        for (int width : {1, 3, 5, 7})
            for (int format = 0; format <= PXK_FILE_WEBP; format++) {
                SCOPED_TRACE(std::to_string(bits) + " bits, width " + std::to_string(width) + EXTENSIONS[format]);
                const bool jpeg = format == PXK_FILE_JPEG;
                Create(1, width, 3, bits);
                if (bits == 8) SetPalette(1, table);
                Fill(1, [=](int x, int y) { return bits == 8 ? IndexAt(x, y) : PatternColor(x, y); });
                const std::string base = dir + "/f" + std::to_string(bits) + "_" + std::to_string(width);
                ASSERT_EQ(Save(1, width, 3, format, base), 0);
                int mw = 0, mh = 0;
                const std::vector<uint32_t> magick = MagickPixels(base + EXTENSIONS[format], &mw, &mh);
                ASSERT_EQ(mw, width);
                ASSERT_EQ(mh, 3);
                for (int i = 0; i < width * 3; i++) {
                    const int x = i % width, y = i / width;
                    const uint32_t want = bits == 8 ? PaletteColor((int)IndexAt(x, y)) : PatternColor(x, y);
                    EXPECT_LE(ChannelDistance(magick[i], want), jpeg ? 4 : 0) << x << "," << y;
                }
                Create(2, width, 3, bits);
                if (bits == 8) SetPalette(2, table);   // what a JPEG's colours map onto
                ASSERT_EQ(Load(2, base + EXTENSIONS[format]), 0);
                const std::vector<uint32_t> loaded = Pixels(2), loaded_table = Palette(2);
                for (int i = 0; i < width * 3; i++) {
                    const int x = i % width, y = i / width;
                    if (bits == 32) EXPECT_LE(ChannelDistance(loaded[i], PatternColor(x, y)), jpeg ? 4 : 0) << i;
                    else if (!jpeg) EXPECT_EQ(loaded[i], IndexAt(x, y)) << i;
                    else EXPECT_LE(ChannelDistance(loaded_table[loaded[i]], PaletteColor((int)IndexAt(x, y))), 8) << i;
                }
                EXPECT_EQ(loaded_table, bits == 8 ? table : std::vector<uint32_t>(256, 0));
                Destroy(1);
                Destroy(2);
            }
}

TEST_F(ImageFilesRun, LoadingCutsAtTheEdgesAndKeepsUncoveredPixels) {
    const std::string dir = FreshFolder("files_clip");
    ASSERT_TRUE(WritePpm(dir + "/big.ppm", 640, 480));
    RunCommand("convert " + dir + "/big.ppm PNG24:" + dir + "/big.png");
    // Into smaller and larger images at the corner, and placed off it: only the part that
    // lands in the image is drawn, the rest stays.
    const struct { int width, height, x, y; } cases[] = {
        {320, 240, 0, 0}, {1000, 1000, 0, 0}, {320, 240, -5, -7}, {320, 240, 300, 200}, {320, 240, -700, 0}};
    for (const auto& c : cases) {
        Create(1, c.width, c.height, 32);
        Fill(1, [](int, int) { return 0x123456u; });
        ASSERT_EQ(Load(1, dir + "/big.png", c.x, c.y), 0);
        const std::vector<uint32_t> px = Pixels(1);
        int wrong = 0;
        for (int i = 0; i < c.width * c.height; i++) {
            const int u = i % c.width - c.x, v = i / c.width - c.y;
            wrong += px[i] != (u >= 0 && v >= 0 && u < 640 && v < 480 ? PatternColor(u, v) : 0x123456u);
        }
        EXPECT_EQ(wrong, 0) << c.width << " x " << c.height << " at " << c.x << "," << c.y;
        Destroy(1);
    }
}

TEST_F(ImageFilesRun, PalettesIntoEightBitImagesAndTransparency) {
    const std::string dir = FreshFolder("files_palette");
    ASSERT_TRUE(WritePpm(dir + "/src.ppm", 8, 4));
    RunCommand("convert " + dir + "/src.ppm -colors 16 -type Palette BMP3:" + dir + "/p16.bmp");
    Create(1, 8, 4, 8);
    ASSERT_EQ(Load(1, dir + "/p16.bmp"), 0);
    int mw = 0, mh = 0;
    const std::vector<uint32_t> magick = MagickPixels(dir + "/p16.bmp", &mw, &mh);
    const std::vector<uint32_t> px = Pixels(1), table = Palette(1);
    ASSERT_EQ(magick.size(), px.size());
    for (size_t i = 0; i < px.size(); i++) {
        EXPECT_LT(px[i], 16u) << i;
        EXPECT_EQ(table[px[i]], magick[i] & 0xFFFFFF) << i;
    }
    for (int i = 16; i < 256; i++) EXPECT_EQ(table[i], (uint32_t)i * 0x010101u) << i;

    // A GIF with a transparent pixel over a 32-bit image: that pixel keeps its colour.
    RunCommand("convert " + dir + "/src.ppm -alpha set -fill none -draw 'color 2,1 point' GIF:" + dir + "/t.gif");
    Create(2, 8, 4, 32);
    Fill(2, [](int, int) { return 0xABCDEFu; });
    ASSERT_EQ(Load(2, dir + "/t.gif"), 0);
    const std::vector<uint32_t> over = Pixels(2);
    EXPECT_EQ(over[1 * 8 + 2], 0xABCDEFu);
    EXPECT_EQ(over[0], PatternColor(0, 0));

    // A WebP with alpha: transparent keeps, half-transparent is drawn over, opaque replaces.
    RunCommand("convert " + dir + "/src.ppm -alpha set -channel A -fx 'i==0?0:i==1?128/255:1' +channel "
               "-define webp:lossless=true -define webp:exact=true WEBP:" + dir + "/a.webp");
    Fill(2, [](int, int) { return 0x204060u; });
    ASSERT_EQ(Load(2, dir + "/a.webp"), 0);
    const std::vector<uint32_t> drawn = Pixels(2);
    for (int y = 0; y < 4; y++) {
        const uint32_t c = PatternColor(1, y);
        uint32_t half = 0;
        for (int shift = 0; shift < 24; shift += 8)
            half |= (((c >> shift & 0xFF) * 128 + (0x204060u >> shift & 0xFF) * 127 + 127) / 255) << shift;
        EXPECT_EQ(drawn[y * 8 + 0], 0x204060u) << y;
        EXPECT_EQ(drawn[y * 8 + 1], half) << y;
        EXPECT_EQ(drawn[y * 8 + 5], PatternColor(5, y)) << y;
    }
}

TEST_F(ImageFilesRun, FilesThatCannotBeReadChangeNothing) {
    const std::string dir = FreshFolder("files_cut");
    ASSERT_TRUE(WritePpm(dir + "/src.ppm", 64, 48));
    RunCommand("convert " + dir + "/src.ppm -type Palette PNG8:" + dir + "/p.png");
    RunCommand("convert " + dir + "/src.ppm JPG:" + dir + "/p.jpg");
    RunCommand("convert " + dir + "/src.ppm -quality 80 WEBP:" + dir + "/p.webp");
    for (const char* name : {"p.png", "p.jpg", "p.webp"}) {
        const std::string whole = ReadFileBytes(dir + "/" + name);
        ASSERT_GT(whole.size(), 100u);
        WriteFileBytes(dir + "/cut_" + name, whole.substr(0, whole.size() * 6 / 10));
    }
    // Cut and closed with an end marker, as a broken download or a forged header leaves it.
    const std::string jpeg = ReadFileBytes(dir + "/p.jpg");
    WriteFileBytes(dir + "/ended.jpg", JpegCutWithEndMarker(jpeg, 64, 48, jpeg.size() / 3));
    WriteFileBytes(dir + "/forged.jpg", JpegCutWithEndMarker(jpeg, 65500, 65500, 40));
    Create(1, 64, 48, 8);
    std::vector<uint32_t> table(256);
    for (int i = 0; i < 256; i++) table[i] = PaletteColor(i);
    SetPalette(1, table);
    Fill(1, [](int x, int y) { return IndexAt(x, y); });
    Create(2, 64, 48, 32);
    Fill(2, [](int x, int y) { return PatternColor(y, x); });
    const std::vector<uint32_t> before8 = Pixels(1), before32 = Pixels(2);
    for (const std::string& path :
         {dir + "/cut_p.png", dir + "/cut_p.jpg", dir + "/cut_p.webp", dir + "/ended.jpg", dir + "/forged.jpg", dir + "/src.ppm", dir}) {
        EXPECT_EQ(Load(1, path), 1) << path;
        EXPECT_EQ(Load(2, path), 1) << path;
    }
    EXPECT_EQ(Pixels(1), before8);
    EXPECT_EQ(Palette(1), table);
    EXPECT_EQ(Pixels(2), before32);
    Destroy(2);
    EXPECT_EQ(Load(2, dir + "/p.png"), 2);   // the current slot is free
}

TEST_F(ImageFilesRun, SaveNamesCodesAndWriteProtection) {
    const std::string dir = FreshFolder("files_save");
    Create(1, 5, 4, 32);
    Fill(1, PatternColor);
    const struct { const char* name; int format; const char* written; } names[] = {
        {"picture", PXK_FILE_PNG, "picture.png"},        {"picture.PNG", PXK_FILE_PNG, "picture.PNG"},
        {"picture.png", PXK_FILE_BMP, "picture.png.bmp"}, {"x.jpeg", PXK_FILE_JPEG, "x.jpeg"},
        {"x.JPE", PXK_FILE_JPEG, "x.JPE"},               {"y.tiff", PXK_FILE_TIFF, "y.tiff"},
        {"z.dib", PXK_FILE_BMP, "z.dib"},                {"ab", PXK_FILE_GIF, "ab.gif"},
        {".gif", PXK_FILE_GIF, ".gif"},                  {"w", PXK_FILE_WEBP, "w.webp"},
        {"w.WebP", PXK_FILE_WEBP, "w.WebP"},
    };
    for (const auto& n : names) {
        const std::string sub = dir + "/" + std::to_string(&n - names);
        mkdir(sub.c_str(), 0700);
        ASSERT_EQ(Save(1, 5, 4, n.format, sub + "/" + n.name), 0) << n.name;
        EXPECT_EQ(RunCommand("ls -A " + sub), std::string(n.written) + "\n") << n.name;
    }
    // JPEG at quality 100 with full-resolution chroma; a 32-bit image as a 24-bit BMP.
    EXPECT_EQ(RunCommand("identify -format '%Q %[jpeg:sampling-factor]' " + dir + "/3/x.jpeg"), "100 1x1,1x1,1x1");
    EXPECT_EQ(ReadFileBytes(dir + "/2/picture.png.bmp")[28], 24);

    // A width past the image reads zeros there, never memory beyond it.
    ASSERT_EQ(Save(1, 9, 4, PXK_FILE_PNG, dir + "/wide"), 0);
    int mw = 0, mh = 0;
    const std::vector<uint32_t> wide = MagickPixels(dir + "/wide.png", &mw, &mh);
    ASSERT_EQ(mw, 9);
    EXPECT_EQ(wide[8] & 0xFFFFFF, 0u);
    EXPECT_EQ(wide[4] & 0xFFFFFF, PatternColor(4, 0));

    const std::string guarded = dir + "/guarded.png";
    ASSERT_EQ(Save(1, 5, 4, PXK_FILE_PNG, guarded), 0);
    const std::string kept = ReadFileBytes(guarded);
    chmod(guarded.c_str(), 0444);
    Fill(1, [](int, int) { return 0xFF0000u; });
    EXPECT_EQ(Save(1, 5, 4, PXK_FILE_PNG, guarded), 1);
    EXPECT_EQ(ReadFileBytes(guarded), kept);
    EXPECT_EQ(SaveReason(1, PXK_FILE_PNG, guarded), EACCES);
    EXPECT_EQ(Save(1, 5, 4, PXK_FILE_PNG, dir + "/no/such/folder/x"), 1);
    EXPECT_EQ(SaveReason(1, PXK_FILE_PNG, dir + "/no/such/folder/x"), ENOENT);
    // No file name: nothing is written (not a hidden ".png").
    EXPECT_EQ(SaveReason(1, PXK_FILE_PNG, ""), ENOENT);
    EXPECT_EQ(SaveReason(1, PXK_FILE_PNG, dir + "/"), ENOENT);
    EXPECT_EQ(Save(1, 5, 4, 6, dir + "/format6"), 1);
    EXPECT_EQ(Save(1, 5, 4, -1, dir + "/format-1"), 1);
    EXPECT_EQ(Save(1, 0, 4, PXK_FILE_PNG, dir + "/zero"), 2);
    EXPECT_EQ(Save(1, 5, 0, PXK_FILE_PNG, dir + "/zero"), 2);
    // A name of the longest length a folder takes is saved under it whole.
    const std::string longest(251, 'n');
    EXPECT_EQ(Save(1, 5, 4, PXK_FILE_PNG, dir + "/" + longest), 0);
    EXPECT_EQ(ReadFileBytes(dir + "/" + longest + ".png").substr(1, 3), "PNG");
    EXPECT_EQ(Save(1, 5, 4, PXK_FILE_PNG, dir + "/" + longest + "n"), 1);   // one byte too long
    // Nothing but the files saved is left in the folder (no temporary files).
    EXPECT_EQ(RunCommand("ls -A " + dir + " | grep -v '^[0-9]*$' | tr '\\n' ' '"),
              "guarded.png " + longest + ".png wide.png ");
    Destroy(1);
    EXPECT_EQ(Save(1, 5, 4, PXK_FILE_PNG, dir + "/gone"), 3);
}

// Temporary files that killed saves left behind are removed by the next save into their
// folder when their process is gone; those of live processes and other names stay.
TEST_F(ImageFilesRun, ASaveRemovesTemporariesOfDeadSaves) {
    const std::string dir = FreshFolder("files_stale");
    const pid_t dead = fork();
    if (dead == 0) _exit(0);
    ASSERT_GT(dead, 0);
    waitpid(dead, nullptr, 0);
    const std::string stale = ".pixkit-save-" + std::to_string(dead) + "-3";
    for (const std::string& name : {stale, std::string(".pixkit-save-1-0"), std::string(".pixkit-save-x-0")})
        ASSERT_TRUE(WriteFileBytes(dir + "/" + name, "partial"));
    Create(1, 5, 4, 32);
    ASSERT_EQ(Save(1, 5, 4, PXK_FILE_BMP, dir + "/saved"), 0);
    EXPECT_EQ(RunCommand("ls -A " + dir + " | tr '\\n' ' '"), ".pixkit-save-1-0 .pixkit-save-x-0 saved.bmp ");
    Destroy(1);
}

TEST_F(ImageFilesRun, DroppedFilesLoadTheFirstIntoTheWindowsImage) {
    const std::string dir = FreshFolder("files_drop");
    std::vector<uint32_t> green(30 * 20, 0x00FF00u), red(30 * 20, 0xFF0000u);
    ASSERT_TRUE(WritePpm(dir + "/g.ppm", 30, 20, &green));
    ASSERT_TRUE(WritePpm(dir + "/r.ppm", 30, 20, &red));
    RunCommand("convert " + dir + "/g.ppm PNG24:" + dir + "/g.png && convert " + dir + "/r.ppm BMP3:" + dir + "/r.bmp");
    Create(1, 60, 40, 32);
    Create(2, 60, 40, 32);
    const WindowId w1 = Ask<WindowId>([] { return image_table[1].window; });
    ASSERT_EQ(Ask<int>([] { return CurrentImageIndex(); }), 2);
    const PlatRect client = DriverClientRectScreen(w1);
    DriverDrop(client.left + 5, client.top + 5, {dir + "/g.png", dir + "/r.bmp"});
    ASSERT_TRUE(DriverWaitFor([&] { return (DriverClientPixel(w1, 2, 2) & 0xFFFFFF) == 0x00FF00u; }));
    const std::vector<uint32_t> px = Pixels(1);
    EXPECT_EQ(px[0], 0x00FF00u);
    EXPECT_EQ(px[19 * 60 + 29], 0x00FF00u);
    EXPECT_EQ(px[20 * 60 + 30], 0u);              // beyond the picture: as it was
    EXPECT_EQ(Pixels(2)[0], 0u);                  // the other image is untouched
    EXPECT_EQ(Ask<int>([] { return CurrentImageIndex(); }), 2);
    EXPECT_EQ(PlatGetForegroundWindow(), w1);
}

}  // namespace
