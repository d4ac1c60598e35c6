// TrueType text on an image: pixels against FreeType's own rendering of the same face and
// size composed here, the style codes and the cursor, UTF-8 walks with bad bytes, and code
// points above U+FFFF. The image text font is made as start-up makes it.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <fontconfig/fontconfig.h>

#include <math.h>

#include <algorithm>
#include <string>

#include "image_fixture.h"
#include "imaging/truetype_text.h"
#include "platform/font/font.h"
#include "runtime/startup_state.h"

// The font lives in the program's start-up state, which comes with the program entry.
extern "C" void UserSetup(void) {}
extern "C" void UserMain(void) {}

namespace {

enum { W = 200, H = 80, SLOT = 0, OTHER = 1 };

class TrueTypeText : public ImagingTest {
protected:
    void SetUp() override {
        ImagingTest::SetUp();
        FontDesc d{};
        const char16_t face[] = u"ＭＳ ゴシック";
        memcpy(d.face, face, sizeof face);
        d.height = 16;
        d.width = 8;
        d.weight = 400;
        image_text_font = PlatCreateFont(&d);
        MakeTestImage(OTHER, W, H, 32);
        MakeTestImage(SLOT, W, H, 32);
    }
    void TearDown() override {
        PlatDeleteFont(image_text_font);
        image_text_font = nullptr;
        ImagingTest::TearDown();
    }
    static FontDesc Desc() {
        FontDesc d;
        PlatGetFontDesc(image_text_font, &d);
        return d;
    }
    // Draws text on a cleared slot from the cursor (x, bottom) in cells of the given size.
    static std::vector<uint8_t> Draw(int slot, const char* text, int x = 20, int bottom = 59, int w = 100, int h = 40) {
        PXK_ClearImage(slot);
        PXK_SelectImage(slot);
        PXK_SetTextPos(x, bottom);
        PXK_SetTextFontSize(w, h);
        PXK_DrawTrueTypeText(text);
        return ImageBytes(slot);
    }
};

// White glyphs of IPAGothic at (ppem_x, ppem_y), hinted and smoothed, blended over black
// from the pen at (x, baseline), as FreeType renders them.
std::vector<uint32_t> FreeTypeReference(const char* text, int x, int top, int cell_height, int cell_width) {
    std::vector<uint32_t> out(W * H, 0);
    FcInit();
    FcPattern* pattern = FcNameParse((const FcChar8*)"IPAGothic");
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcChar8* file = nullptr;
    FcPatternGetString(match, FC_FILE, 0, &file);
    FT_Library lib;
    FT_Init_FreeType(&lib);
    FT_Face face;
    EXPECT_EQ(FT_New_Face(lib, (const char*)file, 0, &face), 0);
    FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    // A cell height shares the em between ascent and descent; a width makes 'x' that wide.
    const double cell_units = face->ascender - face->descender;
    const double ppem_y = cell_height * face->units_per_EM / cell_units;
    FT_Load_Char(face, 'x', FT_LOAD_NO_SCALE);
    const double ppem_x = ppem_y * cell_width / (face->glyph->advance.x * ppem_y / face->units_per_EM);
    FT_Set_Char_Size(face, lround(ppem_x * 64), lround(ppem_y * 64), 72, 72);
    const int baseline = top + (int)lround(face->ascender * cell_height / cell_units);
    for (const char* p = text; *p; p++) {
        FT_Load_Char(face, (FT_ULong)*p, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL);
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
        const FT_Bitmap& bm = face->glyph->bitmap;
        for (int r = 0; r < (int)bm.rows; r++)
            for (int c = 0; c < (int)bm.width; c++) {
                const uint32_t cov = bm.buffer[r * bm.pitch + c];
                const int px = x + face->glyph->bitmap_left + c, py = baseline - face->glyph->bitmap_top + r;
                if (cov == 0 || px < 0 || py < 0 || px >= W || py >= H) continue;
                const uint32_t bg = out[py * W + px] & 255;
                const uint32_t v = (255 * cov + bg * (255 - cov) + 127) / 255;
                out[py * W + px] = v * 0x010101u;
            }
        x += (int)((face->glyph->advance.x + 32) >> 6);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    return out;
}

std::vector<uint32_t> Words(const std::vector<uint8_t>& bytes) {
    std::vector<uint32_t> v(bytes.size() / 4);
    memcpy(v.data(), bytes.data(), v.size() * 4);
    return v;
}

TEST_F(TrueTypeText, TwoCharactersFillTheirRectangleAsFreeTypeDrawsThem) {
    // The Draw command's 100 x 40 rectangle from (20, 20) to (119, 59).
    const std::vector<uint32_t> got = Words(Draw(SLOT, "AB"));
    EXPECT_EQ(draw_state.text_x, 120) << "two advances of half the rectangle";
    const std::vector<uint32_t> want = FreeTypeReference("AB", 20, 20, 40, 50);
    int inked = 0;
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const uint32_t p = got[y * W + x] & 0xFFFFFF;
            if (!p) continue;
            inked++;
            EXPECT_TRUE(x >= 20 && x <= 119 && y >= 20 && y <= 59) << "ink outside at " << x << "," << y;
        }
    EXPECT_GT(inked, 400);
    EXPECT_TRUE(got == want) << "the pixels differ from FreeType's rendering";
}

TEST_F(TrueTypeText, StyleCodesChangeTheFontUntilTurnedBackAcrossCalls) {
    struct Case {
        const char* codes;
        int weight, italic, underline;
    };
    const Case cases[] = {
        {"\x01", 400, 1, 0}, {"\x01\x02", 400, 0, 0}, {"\x03", 700, 0, 0},     {"\x03\x04", 400, 0, 0},
        {"\x05", 400, 0, 1}, {"\x05\x06", 400, 0, 0}, {"\x01\x03\x05", 700, 1, 1}, {"\x07\x1F", 400, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.codes)));
        PXK_DrawTrueTypeText("\x02\x04\x06");
        PXK_SetTextPos(7, 30);
        PXK_DrawTrueTypeText(c.codes);
        const FontDesc d = Desc();
        EXPECT_EQ(d.weight, c.weight);
        EXPECT_EQ(d.italic, c.italic);
        EXPECT_EQ(d.underline, c.underline);
        EXPECT_EQ(draw_state.text_x, 7) << "control codes draw nothing and do not move";
        EXPECT_EQ(draw_state.text_y, 30);
    }
    // Bold set in one call stays for the next: "B" drawn later is a bold "B", not a plain one.
    PXK_DrawTrueTypeText("\x04");
    Draw(SLOT, "\x03" "A");
    PXK_DrawTrueTypeText("B");
    const std::vector<uint8_t> later = ImageBytes(SLOT);
    const std::vector<uint8_t> bold = Draw(OTHER, "\x03" "AB");
    const std::vector<uint8_t> plain = Draw(OTHER, "\x03" "A\x04" "B");
    EXPECT_TRUE(later == bold);
    EXPECT_FALSE(later == plain);
    EXPECT_EQ(Desc().weight, 400);
}

TEST_F(TrueTypeText, NewLineStepsByTheLastSizeChangeAndReturnsToTheMargin) {
    Draw(SLOT, "AB\nA", 20, 59, 100, 40);
    EXPECT_EQ(draw_state.text_x, 70);
    EXPECT_EQ(draw_state.text_y, 99);
    // The size the font has does not matter; the line height of the last size change does.
    PXK_SetTextFontSize(30, 24);
    FontDesc d = Desc();
    d.height = -50;
    ASSERT_EQ(SetImageTextFont(&d), 0);
    PXK_DrawTrueTypeChar(10);
    EXPECT_EQ(draw_state.text_y, 123);
    EXPECT_EQ(draw_state.text_x, 20);
}

TEST_F(TrueTypeText, ASizeBelowOnePixelIsRefusedAndTheFontAndLineStepStay) {
    ASSERT_EQ(PXK_SetTextFontSize(30, 24), 0);
    const FontDesc before = Desc();
    struct Size {
        int width, height;
    };
    const Size refused[] = {{0, 24}, {30, 0}, {-4, 24}, {30, -1}, {0, 0}, {INT32_MIN, INT32_MIN}};
    for (const Size& c : refused) {
        EXPECT_EQ(PXK_SetTextFontSize(c.width, c.height), 1) << c.width << " x " << c.height;
        EXPECT_EQ(Desc().width, before.width);
        EXPECT_EQ(Desc().height, before.height);
        EXPECT_EQ(draw_state.tt_char_width, 15);
        EXPECT_EQ(draw_state.tt_line_height, 24);
    }
    // One pixel is a size.
    EXPECT_EQ(PXK_SetTextFontSize(1, 1), 0);
    EXPECT_EQ(draw_state.tt_line_height, 1);
}

TEST_F(TrueTypeText, BadBytesAreSkippedAndACutCharacterAtTheEndIsNotDrawn) {
    struct Case {
        const char* text;
        const char* clean;
    };
    const Case cases[] = {
        {"A\x80" "B", "AB"},                      // a stray continuation byte
        {"A\xFF" "B", "AB"},                      // a byte that starts nothing
        {"A\xE3\x81" "B", "AB"},                  // a sequence broken off in the middle
        {"A\xE3\x81", "A"},                       // cut by the end of the text
        {"\xE3\x81\x82\xE3\x81", "\xE3\x81\x82"}, // a whole character, then a cut one
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clean);
        const std::vector<uint8_t> clean = Draw(OTHER, c.clean, 10, 40, 40, 32);
        const int clean_x = draw_state.text_x;
        EXPECT_TRUE(Draw(SLOT, c.text, 10, 40, 40, 32) == clean);
        EXPECT_EQ(draw_state.text_x, clean_x);
    }
    // A double-width character takes two cells.
    Draw(SLOT, "\xE3\x81\x82", 10, 40, 40, 32);
    EXPECT_EQ(draw_state.text_x, 10 + 40);
}

TEST_F(TrueTypeText, CodePointsAboveTheBasicPlaneAreMeasuredAndDrawn) {
    // U+1D400 (mathematical bold A) is one cell wide; cut to 16 bits it would be U+D400, a
    // two-cell Hangul syllable.
    Draw(SLOT, "\xF0\x9D\x90\x80", 10, 40, 32, 32);
    EXPECT_EQ(draw_state.text_x, 10 + 16);
    const std::vector<uint8_t> wide = Draw(OTHER, "\xED\x90\x80", 10, 40, 32, 32);
    EXPECT_EQ(draw_state.text_x, 10 + 32);
    PXK_SelectImage(SLOT);
    PXK_SetTextPos(10, 40);
    PXK_DrawTrueTypeChar(0x1D400);
    EXPECT_EQ(draw_state.text_x, 10 + 16);
    const std::vector<uint32_t> got = Words(ImageBytes(SLOT));
    int inked = 0;
    for (uint32_t p : got) inked += (p & 0xFFFFFF) != 0;
    EXPECT_GT(inked, 50);
    EXPECT_FALSE(ImageBytes(SLOT) == wide);
}

}  // namespace

namespace {

TEST(FontFamilies, TextFacesAreListedWholeAndSymbolFacesLeftOut) {
    const std::vector<std::u16string> families = PlatListFontFamilies();
    auto listed = [&](const std::u16string& name) {
        return std::find(families.begin(), families.end(), name) != families.end();
    };
    EXPECT_TRUE(listed(u"IPAGothic"));
    EXPECT_TRUE(listed(u"DejaVu Sans Mono"));
    EXPECT_TRUE(listed(u"DejaVu Sans Condensed")) << "a second English family name of a face";
    EXPECT_FALSE(listed(u"IPAゴシック")) << "names in other languages are not listed twice";
    EXPECT_FALSE(listed(u"Standard Symbols PS"));
    EXPECT_FALSE(listed(u"D050000L"));
    // A description keeps a long face name whole, so it never names another family.
    FontDesc d{};
    const std::u16string long_name = u"A family name well beyond thirty-one units";
    memcpy(d.face, long_name.data(), long_name.size() * sizeof(char16_t));
    Font* font = PlatCreateFont(&d);
    FontDesc back;
    PlatGetFontDesc(font, &back);
    EXPECT_EQ(std::u16string(back.face), long_name);
    PlatDeleteFont(font);
}

}  // namespace
