// The copy of a 4096 x 4096 32-bit picture to the clipboard: building the bitmap block beside
// memcpy of the same number of bytes, and the PNG made for the selection beside libpng at its
// default settings (zlib level 6, adaptive filters). The picture is photo-like: smooth
// gradients with fine noise, so that the compressors see what screenshots and photos give.
#include "platform/clip_picture.h"
#include "codec/codec.h"

#include <benchmark/benchmark.h>

#include <png.h>
#include <stdio.h>
#include <string.h>

#include <vector>

#include "bench_ratio.h"

// The library links against the program entries; the benchmark never starts the program.
extern "C" void UserSetup(void) {}
extern "C" void UserMain(void) {}

namespace {

const int N = 4096;
std::vector<uint32_t> picture;

void MakePicture() {
    picture.resize((size_t)N * N);
    uint32_t seed = 1;
    for (int y = 0; y < N; y++)
        for (int x = 0; x < N; x++) {
            seed = seed * 1664525u + 1013904223u;
            const uint32_t noise = seed >> 29;
            const uint32_t r = (uint32_t)(x * 255 / N) + noise, g = (uint32_t)(y * 255 / N), b = (uint32_t)((x + y) / 40 % 256);
            picture[(size_t)y * N + x] = (r > 255 ? 255 : r) << 16 | g << 8 | b;
        }
}

CodecPicture Picture() { return CodecPicture{N, N, 32, N * 4, (const uint8_t*)picture.data(), nullptr}; }

void BM_BuildBlock(benchmark::State& state) {
    std::vector<uint8_t> block(ClipBlockSize(N, N, 32));
    for (auto _ : state) {
        ClipFillBlock(Picture(), block.data());
        benchmark::DoNotOptimize(block.data());
    }
}

void BM_MemcpyBlockBytes(benchmark::State& state) {
    const size_t bytes = ClipBlockSize(N, N, 32);
    std::vector<uint8_t> block(bytes);
    for (auto _ : state) {
        memcpy(block.data(), picture.data(), bytes);
        benchmark::DoNotOptimize(block.data());
    }
}

void BM_PngForSelection(benchmark::State& state) {
    std::vector<uint8_t> png;
    for (auto _ : state) CodecEncodeBytes(CODEC_PNG, Picture(), &png);
    state.counters["bytes"] = (double)png.size();
}

void PngWrite(png_structp png, png_bytep data, png_size_t n) {
    std::vector<uint8_t>* out = (std::vector<uint8_t>*)png_get_io_ptr(png);
    out->insert(out->end(), data, data + n);
}

void BM_LibpngDefault(benchmark::State& state) {
    std::vector<uint8_t> out;
    for (auto _ : state) {
        out.clear();
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_write_fn(png, &out, PngWrite, nullptr);
        png_set_IHDR(png, info, N, N, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                     PNG_FILTER_TYPE_BASE);
        png_write_info(png, info);
        png_set_bgr(png);
        png_set_filler(png, 0, PNG_FILLER_AFTER);
        for (int y = 0; y < N; y++) png_write_row(png, (png_const_bytep)(picture.data() + (size_t)y * N));
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
    }
    state.counters["bytes"] = (double)out.size();
}

BENCHMARK(BM_BuildBlock)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyBlockBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngForSelection)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibpngDefault)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    MakePicture();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printf("\nRatios of CPU time (operation / baseline; below 1 is faster):\n");
    PrintRatio(reporter, "bitmap block of 4096^2", "BM_BuildBlock", "BM_MemcpyBlockBytes");
    PrintRatio(reporter, "PNG for the selection", "BM_PngForSelection", "BM_LibpngDefault/iterations:2");
    return 0;
}
