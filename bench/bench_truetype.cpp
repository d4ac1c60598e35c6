// TrueType text into an image: a 60-character line at 32 pixels with a style code every 10
// characters (bold, italic, underline on, then off again), drawn by PXK_DrawTrueTypeText,
// beside the same glyphs loaded, styled, rendered and blended with FreeType directly from one
// face sized once. The goal is at most twice FreeType's time: a style code must not make the
// font again from scratch. After the runs the program prints the ratio.
#include "imagewin/image_table.h"
#include "imaging/draw_state.h"
#include "platform/draw/draw.h"
#include "platform/draw/surface.h"
#include "platform/font/font.h"
#include "pxk.h"
#include "runtime/startup_state.h"

#include <benchmark/benchmark.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include <fontconfig/fontconfig.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "bench_ratio.h"

extern "C" void UserSetup(void) {}
extern "C" void UserMain(void) {}

namespace {

enum { W = 1400, H = 64, PIXELS = 32 };

// Sixty characters; a code before every tenth: bold, italic, underline, then each turned off.
const char LINE[] =
    "The quick \x03" "brown fox \x01" "jumps over\x05" " the lazy \x04" "dog 012345\x02" "6789 ABCDE\x06";

struct Image {
    Surface* surface = nullptr;
    Image() {
        if (PlatCreateSurface(&surface, W, H, 32) != 0) abort();
        ImageRecord& r = image_table[0];
        r.bits = 32;
        r.width = W;
        r.height = H;
        r.zoom = 100;
        r.dib = surface;
        r.memory_dc = PlatCreateMemoryContext(surface);
        image_pixels[0] = surface->pixels;
        r.in_use.store(1);
        PXK_SelectImage(0);
        FontDesc d{};
        const char16_t face[] = u"ＭＳ ゴシック";
        memcpy(d.face, face, sizeof face);
        d.height = 16;
        d.width = 8;
        d.weight = 400;
        image_text_font = PlatCreateFont(&d);
        PXK_SetTextFontSize(PIXELS, PIXELS);
    }
};

Image& TheImage() {
    static Image image;
    return image;
}

void BM_DrawTrueTypeText(benchmark::State& state) {
    TheImage();
    for (auto _ : state) {
        PXK_SetTextPos(0, PIXELS + 8);
        PXK_DrawTrueTypeText(LINE);
        benchmark::DoNotOptimize(image_pixels[0][0]);
    }
}
BENCHMARK(BM_DrawTrueTypeText)->Unit(benchmark::kMicrosecond);

// ---- FreeType directly -----------------------------------------------------------------------

struct Direct {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::vector<uint32_t> pixels = std::vector<uint32_t>((size_t)W * H);
    Direct() {
        FcInit();
        FcPattern* pattern = FcNameParse((const FcChar8*)"IPAGothic");
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        FcChar8* file = nullptr;
        if (!match || FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch || FT_Init_FreeType(&library) ||
            FT_New_Face(library, (const char*)file, 0, &face)) {
            fprintf(stderr, "IPAGothic cannot be opened\n");
            abort();
        }
        FT_Set_Char_Size(face, PIXELS * 64, PIXELS * 64, 72, 72);
        FcPatternDestroy(match);
        FcPatternDestroy(pattern);
    }
};

void Blend(std::vector<uint32_t>& out, const FT_Bitmap& bm, int x0, int y0) {
    for (int y = 0; y < (int)bm.rows; y++) {
        if (y0 + y < 0 || y0 + y >= H) continue;
        for (int x = 0; x < (int)bm.width; x++) {
            const uint32_t c = bm.buffer[y * bm.pitch + x];
            if (!c || x0 + x < 0 || x0 + x >= W) continue;
            uint32_t& p = out[(size_t)(y0 + y) * W + x0 + x];
            const uint32_t bg = p & 255, v = (255 * c + bg * (255 - c) + 127) / 255;
            p = v * 0x010101u;
        }
    }
}

void BM_FreeTypeDirect(benchmark::State& state) {
    static Direct d;
    const FT_Matrix upright = {0x10000, 0, 0, 0x10000}, slanted = {0x10000, 0x3333, 0, 0x10000};
    for (auto _ : state) {
        bool bold = false, italic = false, underline = false;
        int pen = 0;
        const int baseline = PIXELS + 8 - PIXELS / 8;
        for (const char* p = LINE; *p; p++) {
            switch (*p) {
            case 1: italic = true; continue;
            case 2: italic = false; continue;
            case 3: bold = true; continue;
            case 4: bold = false; continue;
            case 5: underline = true; continue;
            case 6: underline = false; continue;
            default: break;
            }
            FT_Set_Transform(d.face, italic ? (FT_Matrix*)&slanted : (FT_Matrix*)&upright, nullptr);
            FT_Load_Char(d.face, (FT_ULong)(unsigned char)*p, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL);
            if (bold) FT_Outline_EmboldenXY(&d.face->glyph->outline, 85, 0);
            FT_Render_Glyph(d.face->glyph, FT_RENDER_MODE_NORMAL);
            Blend(d.pixels, d.face->glyph->bitmap, pen + d.face->glyph->bitmap_left, baseline - d.face->glyph->bitmap_top);
            const int advance = (int)((d.face->glyph->advance.x + 32) >> 6);
            if (underline)
                for (int x = pen; x < pen + advance && x < W; x++) d.pixels[(size_t)(baseline + 2) * W + x] = 0xFFFFFF;
            pen += advance;
        }
        benchmark::DoNotOptimize(d.pixels.data());
    }
}
BENCHMARK(BM_FreeTypeDirect)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printf("\nRatio of CPU time (operation / baseline; goal: at most 2):\n");
    PrintRatio(reporter, "60 characters, 6 style codes", "BM_DrawTrueTypeText", "BM_FreeTypeDirect");
    return 0;
}
