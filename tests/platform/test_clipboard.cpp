// The typed clipboard on the headless backend, between the program and the test driver
// standing in for other programs: offers of several types, reads in the caller's order of
// preference, and the text and bitmap formats as the representations they become.
#include "platform/backend.h"
#include "platform/clipboard.h"
#include "platform/driver/driver.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

class Clipboard : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(PlatStartHeadless(1920, 1080, 32), 0); }
    void TearDown() override { PlatStopBackend(); }
};

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

// The program's read: the answered type and bytes, or "-" when nothing came.
std::string Read(std::vector<const char*> types, Bytes* bytes = nullptr) {
    char type[CLIP_TYPE_MAX];
    size_t size = 0;
    uint8_t* data = PlatReadClipboard(types.data(), (int)types.size(), type, &size);
    if (!data) return "-";
    EXPECT_EQ(data[size], 0);
    EXPECT_EQ(data[size + 1], 0);
    if (bytes) bytes->assign(data, data + size);
    free(data);
    return type;
}

TEST_F(Clipboard, AReadTakesTheFirstOfferedTypeInTheCallersOrder) {
    ASSERT_TRUE(DriverOfferClipboard({{"image/png", B("png bytes")}, {"image/bmp", B("BM bytes")}}));
    struct {
        std::vector<const char*> types;
        const char* type;
        const char* bytes;
    } cases[] = {
        {{"image/bmp", "image/png"}, "image/bmp", "BM bytes"},
        {{"image/x-bmp", "image/png", "image/bmp"}, "image/png", "png bytes"},
        {{"image/jpeg", "UTF8_STRING"}, "-", ""},
    };
    for (const auto& c : cases) {
        Bytes got;
        EXPECT_EQ(Read(c.types, &got), c.type);
        EXPECT_EQ(got, B(c.bytes)) << c.type;
    }
}

TEST_F(Clipboard, TheProgramsOfferReachesOtherProgramsTypeByType) {
    Bytes png = B("\x89PNG data"), bmp = B("BM data");
    ClipOffer offers[] = {{"image/png", png.data(), png.size()},
                          {"image/bmp", bmp.data(), bmp.size()},
                          {"image/x-MS-bmp", bmp.data(), bmp.size()}};
    ASSERT_EQ(PlatOfferClipboard(offers, 3), 0);
    EXPECT_EQ(DriverClipboardTypes(), (std::vector<std::string>{"image/png", "image/bmp", "image/x-MS-bmp"}));
    DriverClipItem item;
    ASSERT_TRUE(DriverReadClipboard({"image/x-bmp", "image/x-MS-bmp", "image/png"}, &item));
    EXPECT_EQ(item.type, "image/x-MS-bmp");
    EXPECT_EQ(item.bytes, bmp);
    // A new copy replaces every representation of the old one.
    ASSERT_EQ(PlatOfferClipboard(offers, 1), 0);
    EXPECT_FALSE(DriverReadClipboard({"image/bmp"}, &item));
}

TEST_F(Clipboard, TextAndBitmapFormatsBecomeTheirDesktopTypes) {
    const char text[] = "gr\xc3\xbc\xc3\x9f 2 \xe2\x82\xac";
    ASSERT_EQ(PlatSetClipboard(CLIP_TEXT, text, sizeof text), 0);
    EXPECT_EQ(DriverClipboardTypes(),
              (std::vector<std::string>{"UTF8_STRING", "text/plain;charset=utf-8", "TEXT", "STRING", "text/plain"}));
    DriverClipItem item;
    ASSERT_TRUE(DriverReadClipboard({"STRING"}, &item));
    EXPECT_EQ(item.bytes, B("gr\xfc\xdf 2 ?"));   // Latin-1, '?' for what it lacks
    ASSERT_TRUE(DriverReadClipboard({"UTF8_STRING"}, &item));
    EXPECT_EQ(item.bytes, B(std::string(text)));   // no terminator on the desktop side

    // Latin-1 from an old program comes in as UTF-8 text; pictures are not text.
    ASSERT_TRUE(DriverOfferClipboard({{"STRING", B("caf\xe9")}}));
    EXPECT_EQ(DriverClipboardText(), "caf\xc3\xa9");
    ASSERT_TRUE(DriverOfferClipboard({{"image/png", B("png")}}));
    EXPECT_TRUE(DriverClipboard(CLIP_TEXT).empty());

    // The bitmap block goes out as a BMP file under the three bitmap types and comes back
    // from any of them without the file header.
    Bytes dib(40 + 8, 0);
    dib[0] = 40;
    dib[4] = 2;
    dib[8] = 1;
    dib[12] = 1;
    dib[14] = 24;
    dib[40] = 0x11;
    ASSERT_EQ(PlatSetClipboard(CLIP_DIB, dib.data(), dib.size()), 0);
    EXPECT_EQ(DriverClipboardTypes(), (std::vector<std::string>{"image/bmp", "image/x-bmp", "image/x-MS-bmp"}));
    ASSERT_TRUE(DriverReadClipboard({"image/x-bmp"}, &item));
    ASSERT_EQ(item.bytes.size(), 14 + dib.size());
    EXPECT_EQ(Bytes(item.bytes.begin(), item.bytes.begin() + 14),
              (Bytes{'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0}));
    ASSERT_TRUE(DriverOfferClipboard({{"image/x-MS-bmp", item.bytes}}));
    EXPECT_EQ(DriverClipboard(CLIP_DIB), dib);
}

}  // namespace
