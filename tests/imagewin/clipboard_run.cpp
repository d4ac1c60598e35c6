// Clipboard pictures in the running program on the headless backend: the exact bytes another
// program gets for a copied image, an 8-bit round trip that keeps indices and table, bitmap
// blocks that must give no picture, pictures of other programs pasted at a corner and placed
// with the tool, and the window's Cut.
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imagewin/image_clipboard.h"
#include "imagewin/image_table.h"
#include "platform/clip_picture.h"
#include "platform/draw/surface.h"
#include "platform/driver/driver.h"
#include "platform/window/window.h"
#include "platform/window/input.h"
#include "pxk.h"
#include "runtime/run_control.h"
#include "support/harness.h"
#include "support/image_access.h"
#include "support/program_fixture.h"
#include "support/outside_io.h"
#include "support/picture_files.h"
#include "support/worker_jobs.h"

extern "C" void UserSetup(void) { StartRequested.store(1); }
extern "C" void UserMain(void) { ServeJobsUntilExit(); }

namespace {

using Bytes = std::vector<uint8_t>;

using ClipboardRun = ProgramTest;

void Create(int index, int width, int height, int bits) {
    ASSERT_EQ(Ask<int>([=] { return PXK_CreateImageEx(index, "clip", 200 * index, 0, width, height, 100, bits, 1); }), 0);
}

// Words (32-bit) or indices (8-bit) of the image, rows packed.
std::vector<uint32_t> Pixels(int index) {
    std::vector<uint32_t> out = Ask<std::vector<uint32_t>>([=] { return ReadImagePixels(index); });
    for (uint32_t& v : out) v &= 0xFFFFFF;   // an 8-bit index is below this anyway
    return out;
}

void Fill(int index, const std::vector<uint32_t>& values) {
    OnWorker([&] {
        const int w = image_table[index].width;
        WriteImagePixels(index, [&](int x, int y) { return values[(size_t)y * w + x]; });
    });
}

std::vector<uint32_t> Palette(int index) {
    return Ask<std::vector<uint32_t>>([=] {
        const uint32_t* p = image_table[index].dib->palette;
        return std::vector<uint32_t>(p, p + 256);
    });
}

void SetPalette(int index, const std::vector<uint32_t>& table) {
    OnWorker([=] {
        PXK_SelectImage(index);
        PXK_SetPalette((const PXK_Color*)table.data(), (int)table.size());
        PXK_SelectPreviousImage();
    });
}

Bytes Le32(uint32_t v) { return {(uint8_t)v, (uint8_t)(v >> 8), (uint8_t)(v >> 16), (uint8_t)(v >> 24)}; }

void Append(Bytes* to, const Bytes& more) { to->insert(to->end(), more.begin(), more.end()); }

// An information header of 40 bytes with the given fields, the rest zero.
Bytes Header(int32_t width, int32_t height, int bits, uint32_t compression = 0, uint32_t used = 0) {
    Bytes h = Le32(40);
    Append(&h, Le32((uint32_t)width));
    Append(&h, Le32((uint32_t)height));
    Append(&h, {1, 0, (uint8_t)bits, 0});
    Append(&h, Le32(compression));
    h.resize(32, 0);
    Append(&h, Le32(used));
    h.resize(40, 0);
    return h;
}

Bytes BmpOnClipboard() {
    DriverClipItem item;
    EXPECT_TRUE(DriverReadClipboard({"image/bmp"}, &item));
    return item.bytes;
}

TEST_F(ClipboardRun, ACopiedImageIsTheExactBlockBehindABmpFileHeaderAndAPng) {
    Create(0, 3, 2, 32);
    Fill(0, {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x010203});
    ASSERT_EQ(Ask<int>([] { return PXK_CopyImageToClipboard(0); }), 0);
    EXPECT_EQ(DriverClipboardTypes(), (std::vector<std::string>{"image/png", "image/bmp", "image/x-bmp", "image/x-MS-bmp"}));
    Bytes want = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
    Append(&want, Header(3, 2, 24));
    Append(&want, {0xCC, 0xBB, 0xAA, 0xFF, 0xEE, 0xDD, 0x03, 0x02, 0x01, 0, 0, 0,    // bottom row first
                   0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0x99, 0x88, 0x77, 0, 0, 0});
    EXPECT_EQ(BmpOnClipboard(), want);
    DriverClipItem png;
    ASSERT_TRUE(DriverReadClipboard({"image/png"}, &png));
    const std::string path = FreshFolder("clip_png") + "/c.png";
    ASSERT_TRUE(WriteFileBytes(path, std::string(png.bytes.begin(), png.bytes.end())));
    int w = 0, h = 0;
    std::vector<uint32_t> magick = MagickPixels(path, &w, &h);
    for (uint32_t& c : magick) c &= 0xFFFFFF;
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(magick, Pixels(0));

    // 8 bits: the whole table (blue, green, red, 0) and rows of indices padded to 4 bytes.
    Create(1, 3, 2, 8);
    std::vector<uint32_t> table(256);
    for (int i = 0; i < 256; i++) table[i] = PatternColor(i, 3);
    SetPalette(1, table);
    Fill(1, {7, 255, 0, 1, 2, 128});
    ASSERT_EQ(Ask<int>([] { return PXK_CopyImageToClipboard(1); }), 0);
    want = {'B', 'M', 0x3E, 4, 0, 0, 0, 0, 0, 0, 0x36, 4, 0, 0};   // 1086 bytes, pixels at 1078
    Append(&want, Header(3, 2, 8));
    for (uint32_t c : table) Append(&want, Le32(c));
    Append(&want, {1, 2, 128, 0, 7, 255, 0, 0});
    EXPECT_EQ(BmpOnClipboard(), want);
}

TEST_F(ClipboardRun, AnEightBitRoundTripKeepsIndicesAndTableWithDuplicateColours) {
    Create(0, 5, 3, 8);
    std::vector<uint32_t> table(256);
    for (int i = 0; i < 256; i++) table[i] = i % 3 == 0 ? 0x808080 : PatternColor(i, 1);   // many duplicates
    SetPalette(0, table);
    std::vector<uint32_t> indices;
    for (int i = 0; i < 15; i++) indices.push_back((uint32_t)(i * 51 % 256));
    Fill(0, indices);
    ASSERT_EQ(Ask<int>([] { return PXK_CopyImageToClipboard(0); }), 0);
    const std::vector<uint32_t> read = Ask<std::vector<uint32_t>>([] {
        std::vector<uint32_t> colors(256 + 1, 0xDEAD);
        int count = -1, width = 0, height = 0, bits = 0;
        PXK_Bitmap* b = PXK_ReadClipboardBitmap((PXK_Color*)colors.data(), &count);
        PXK_GetBitmapSize(b, &width, &height, &bits);
        PXK_DeleteBitmap(b);
        colors.push_back((uint32_t)(count * 1000000 + width * 10000 + height * 100 + bits));
        return colors;
    });
    EXPECT_EQ(read.back(), 256u * 1000000 + 5 * 10000 + 3 * 100 + 8);
    EXPECT_EQ(std::vector<uint32_t>(read.begin(), read.begin() + 256), table);
    EXPECT_EQ(read[256], 0xDEADu) << "written past the caller's 256 entries";
    Create(1, 5, 3, 8);   // grey ramp
    ASSERT_EQ(Ask<int>([] { return PXK_PasteFromClipboard(0, 1, 0); }), 0);
    EXPECT_EQ(Pixels(1), indices);
    EXPECT_EQ(Palette(1), table);
}

// Presses a key in the window of the image and waits until the image shows what is wanted.
bool KeyGives(int index, int key, const std::vector<uint32_t>& want) {
    const WindowId window = image_table[index].window;
    PlatSetForegroundWindow(window);
    if (!DriverWaitFor([=] { return PlatGetFocus() == window; })) return false;
    DriverSetModifiers(INPUT_MOD_CONTROL);
    DriverKey(key, INPUT_MOD_CONTROL);
    EXPECT_TRUE(DriverWaitIdle());
    DriverSetModifiers(0);
    return DriverWaitFor([&] { return Pixels(index) == want; });
}

// A 1-bit picture of two colours from another program, larger than the images: Ctrl+V puts
// its top-left part at (0, 0). Its table goes into entries 0 and 1 of an 8-bit image, whose
// pixels keep its indices; a 32-bit image takes its colours.
TEST_F(ClipboardRun, CtrlVPastesAnotherProgramsPictureAtTheCornerCutToTheImage) {
    Bytes block = Header(10, 2, 1);
    Append(&block, {0x00, 0x00, 0x11, 0, 0x00, 0xEE, 0x22, 0});   // entries 0 and 1
    Append(&block, {0x50, 0x00, 0x00, 0, 0xA0, 0x00, 0x00, 0});   // bottom row 0101, top row 1010
    ASSERT_TRUE(DriverOfferClipboard({{"image/x-MS-bmp", block}}));
    Create(0, 4, 3, 8);
    Create(1, 4, 3, 32);
    Fill(0, std::vector<uint32_t>(12, 9));
    Fill(1, std::vector<uint32_t>(12, 9));
    EXPECT_TRUE(KeyGives(0, 'V', {1, 0, 1, 0, 0, 1, 0, 1, 9, 9, 9, 9}));
    const std::vector<uint32_t> table = Palette(0);
    EXPECT_EQ(table[0], 0x110000u);
    EXPECT_EQ(table[1], 0x22EE00u);
    EXPECT_EQ(table[2], 0x020202u);
    const uint32_t a = 0x110000, b = 0x22EE00;
    EXPECT_TRUE(KeyGives(1, 'V', {b, a, b, a, a, b, a, b, 9, 9, 9, 9}));
    // Cut copies, then clears.
    EXPECT_TRUE(KeyGives(1, 'X', std::vector<uint32_t>(12, 0)));
    EXPECT_EQ(BmpOnClipboard().size(), 14u + 40 + 3 * 12);
}

// The menu's Paste places the picture centred on the clicked point, parts outside the image
// cut off; a right click first cancels and changes nothing.
TEST_F(ClipboardRun, PasteAtAPointCentresThePictureOnTheClick) {
    Create(0, 3, 2, 32);
    Fill(0, {1, 2, 3, 4, 5, 6});
    ASSERT_EQ(Ask<int>([] { return PXK_CopyImageToClipboard(0); }), 0);
    Create(1, 200, 100, 32);
    const std::vector<uint32_t> nines(200 * 100, 9);
    Fill(1, nines);
    const PlatRect client = DriverClientRectScreen(image_table[1].window);
    for (int button : {BUTTON_RIGHT, BUTTON_LEFT}) {
        EXPECT_EQ(Pixels(1), nines);
        const int job = PostJob([] { PasteAtPointCommand(image_table[1].window, 1); });
        ASSERT_TRUE(DriverWaitFor([] { return point_tool_active.load() == 1; }));
        DriverClick(client.left + 199, client.top + 50, button);   // top-left lands at (198, 49)
        ASSERT_TRUE(WaitJob(job));
    }
    std::vector<uint32_t> want = nines;
    for (int i = 0; i < 2; i++) {
        want[49 * 200 + 198 + i] = (uint32_t)(1 + i);
        want[50 * 200 + 198 + i] = (uint32_t)(4 + i);
    }
    EXPECT_EQ(Pixels(1), want);
}

// Blocks another program may offer. The well-formed ones (a V5 header with its masks inside
// it, a top-down picture, a table shorter than the depth allows) give their pixels; the
// others give no picture and read nothing outside the block.
TEST(ClipboardBlocks, HeadersMasksAndTablesAreHonouredAndBadFieldsGiveNoPicture) {
    Bytes v5 = Le32(124);
    Append(&v5, Le32(2));
    Append(&v5, Le32(1));
    Append(&v5, {1, 0, 32, 0});
    Append(&v5, Le32(3));                                      // bit fields
    v5.resize(40, 0);
    for (uint32_t m : {0x0000FF00u, 0x00FF0000u, 0xFF000000u, 0u}) Append(&v5, Le32(m));   // red, green, blue in the upper bytes
    v5.resize(124, 0);
    Append(&v5, {0, 0x33, 0x22, 0x11, 0, 0x66, 0x55, 0x44});
    Bytes top_down = Header(2, -2, 24);
    Append(&top_down, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0});
    Bytes short_table = Header(2, 1, 8, 0, 2);
    Append(&short_table, {1, 2, 3, 0, 4, 5, 6, 0, 1, 0, 0, 0});
    Bytes huge_used = Header(2, 1, 8, 0, 0xFFFFFFF0u);
    huge_used.resize(40 + 1024 + 4, 0);
    Bytes bad_bits = Header(2, 1, 7);
    bad_bits.resize(60, 0);
    Bytes far_height = Header(2, INT32_MIN, 24);
    far_height.resize(80, 0);
    Bytes truncated = top_down;
    truncated.resize(top_down.size() - 3);
    Bytes wide = Header(-3, 1, 24);
    wide.resize(60, 0);
    const struct {
        const char* name;
        Bytes block;
        std::vector<uint32_t> pixels;   // 32-bit words, or colours of the 8-bit entries; empty: no picture
        int colors;
    } cases[] = {
        {"V5 header with masks", v5, {0x332211, 0x665544}, 0},
        {"top-down rows", top_down, {0x030201, 0x060504, 0x090807, 0x0C0B0A}, 0},
        {"table of two entries", short_table, {0x060504, 0x030201}, 2},
        {"huge colour count", huge_used, {}, 0},
        {"seven bits", bad_bits, {}, 0},
        {"height of -2^31", far_height, {}, 0},
        {"truncated rows", truncated, {}, 0},
        {"negative width", wide, {}, 0},
        {"shorter than a header", Bytes(20, 40), {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Surface* s = nullptr;
        int colors = -1;
        ASSERT_EQ(ClipAnswerToSurface("image/bmp", c.block.data(), c.block.size(), 1ull << 30, &s, &colors), c.pixels.empty() ? 1 : 0);
        if (!s) continue;
        EXPECT_EQ(colors, c.colors);
        std::vector<uint32_t> got;
        for (int y = 0; y < s->height; y++)
            for (int x = 0; x < s->width; x++)
                got.push_back(s->bits == 32 ? ((uint32_t*)SurfaceRow(s, y))[x] : s->palette[SurfaceRow(s, y)[x]]);
        EXPECT_EQ(got, c.pixels);
        PlatDestroySurface(s);
    }
}

// A GIF of a few dozen bytes whose logical screen is 20000 x 20000 and whose one pixel has
// index 0 comes back at its full size without the surface being written: none of its pages
// is resident, so such an answer cannot fill memory.
TEST(ClipboardBlocks, AHugeScreenWithNothingPaintedLeavesTheSurfaceUnwritten) {
    const uint8_t gif[] = {'G', 'I', 'F', '8', '9', 'a', 0x20, 0x4E, 0x20, 0x4E, 0, 0, 0, 0x2C, 0, 0, 0, 0, 1, 0,
                           1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B};
    Surface* s = nullptr;
    int colors = -1;
    ASSERT_EQ(ClipAnswerToSurface("image/gif", gif, sizeof gif, 1ull << 30, &s, &colors), 0);
    EXPECT_EQ(s->width, 20000);
    EXPECT_EQ(s->height, 20000);
    EXPECT_TRUE(SurfaceUntouched(s));
    PlatDestroySurface(s);
}

// The 24-bit rows of every width up to a few dozen pixels (the packing goes by four pixels,
// then by one) come back as the pixels they were made of, and the block is exactly as long
// as its rows.
TEST(ClipboardBlocks, BlocksOfEveryRowLengthReadBackAsTheirPixels) {
    for (int width = 1; width <= 37; width++) {
        SCOPED_TRACE(width);
        std::vector<uint32_t> words;
        for (int y = 0; y < 3; y++)
            for (int x = 0; x < width; x++) words.push_back(PatternColor(x, y) | 0xAB000000u);
        Bytes block(ClipBlockSize(width, 3, 32));
        ASSERT_EQ(block.size(), 40u + 3 * ((width * 3 + 3) / 4 * 4));
        ClipFillBlock(CodecPicture{width, 3, 32, width * 4, (const uint8_t*)words.data(), nullptr}, block.data());
        Surface* s = nullptr;
        int colors = -1;
        ASSERT_EQ(ClipBlockToSurface(block.data(), block.size(), 1ull << 30, &s, &colors), 0);
        for (int y = 0; y < 3; y++)
            for (int x = 0; x < width; x++)
                EXPECT_EQ(((uint32_t*)SurfaceRow(s, y))[x], PatternColor(x, y)) << x << "," << y;
        PlatDestroySurface(s);
    }
}

}  // namespace
