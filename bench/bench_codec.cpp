// Image files of a 4000 x 3000 photo-like picture (smooth gradients with fine noise): load and
// save through PXK_LoadImageFile and PXK_SaveImageFile in each format, beside the raw library
// calls that decode into the same pixel layout or encode the same pixels. PNG saving is set
// beside libpng configured as OpenCV's imwrite configures it by default (zlib level 1,
// Z_RLE, libpng's adaptive filters), and OpenCV itself when it is installed. Loading a photo
// into an 8-bit image (nearest colour of the grey table) is set beside the 32-bit load.
//
// The pictures people bring, in the CPU time of all the process's threads (the decoders and
// the view's stretch use several, and a shared machine's load swings wall time far more): a
// camera's 24-megapixel JPEG opened as a new image (PXK_OpenImageFile: its own size, the view
// fit, until the picture is in the window's pixels) beside libjpeg-turbo decoding the same
// file alone into RGB; the same JPEG with orientation 6, whose extra cost is set beside one
// plain turning pass over its pixels; and 12-megapixel WebP, HEIC and AVIF photos loaded
// beside their libraries' own decodes. The cases run inside the program on the headless
// backend, on its worker thread.
#include "imagewin/image_table.h"
#include "codec/codec.h"
#include "platform/draw/draw.h"
#include "platform/draw/surface.h"
#include "platform/driver/driver.h"
#include "pxk.h"

#include <benchmark/benchmark.h>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <tiffio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#if PIXKIT_HAVE_OPENCV
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#endif

#include "bench_program.h"
#include "bench_ratio.h"
#include "codec_photos.h"

namespace {

enum { W = 4000, H = 3000, SLOT32 = 0, SLOT8 = 1 };
const char* const NAMES[5] = {"BMP", "JPEG", "GIF", "PNG", "TIFF"};
const char* const EXT[5] = {".bmp", ".jpg", ".gif", ".png", ".tif"};

std::string dir;
std::vector<uint32_t> photo;

std::string PathOf(int format) { return dir + "/photo" + EXT[format]; }

void MakePhoto() {
    photo.resize((size_t)W * H);
    uint32_t seed = 12345;
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = (int)(seed >> 29) - 4;
            auto ch = [&](int v) { return (uint32_t)std::min(255, std::max(0, v + noise)); };
            photo[(size_t)y * W + x] = ch(x * 255 / W) << 16 | ch(y * 255 / H) << 8 | ch(128 + (x - y) / 64);
        }
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) abort();
    fseek(f, 0, SEEK_END);
    bytes.resize((size_t)ftell(f));
    fseek(f, 0, SEEK_SET);
    if (fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) abort();
    fclose(f);
    return bytes;
}

void WriteAll(const std::string& path, const void* data, size_t size) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f || fwrite(data, 1, size, f) != size) abort();
    fclose(f);
}

// ---- Raw library decodes into 0x00RRGGBB words ------------------------------------------

struct Memory {
    const uint8_t* p;
    size_t n, at;
};

void PngRead(png_structp png, png_bytep out, png_size_t n) {
    Memory* m = (Memory*)png_get_io_ptr(png);
    memcpy(out, m->p + m->at, n);
    m->at += n;
}

void RawPng(const std::vector<uint8_t>& file, uint32_t* out) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Memory m{file.data(), file.size(), 0};
    png_set_read_fn(png, &m, PngRead);
    png_read_info(png, info);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    std::vector<png_bytep> rows(H);
    for (int y = 0; y < H; y++) rows[y] = (png_bytep)(out + (size_t)y * W);
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
}

void RawJpeg(const std::vector<uint8_t>& file, uint32_t* out) {
    jpeg_decompress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, file.data(), file.size());
    jpeg_read_header(&c, TRUE);
    c.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&c);
    while (c.output_scanline < c.output_height) {
        JSAMPROW row = (JSAMPROW)(out + (size_t)c.output_scanline * W);
        jpeg_read_scanlines(&c, &row, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
}

int GifRead(GifFileType* g, GifByteType* out, int n) {
    Memory* m = (Memory*)g->UserData;
    memcpy(out, m->p + m->at, (size_t)n);
    m->at += (size_t)n;
    return n;
}

void RawGif(const std::vector<uint8_t>& file, uint32_t* out) {
    Memory m{file.data(), file.size(), 0};
    int error = 0;
    GifFileType* g = DGifOpen(&m, GifRead, &error);
    DGifSlurp(g);
    const SavedImage& frame = g->SavedImages[0];
    const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : g->SColorMap;
    uint32_t table[256] = {};
    for (int i = 0; i < map->ColorCount; i++)
        table[i] = (uint32_t)map->Colors[i].Red << 16 | map->Colors[i].Green << 8 | map->Colors[i].Blue;
    for (size_t i = 0; i < (size_t)W * H; i++) out[i] = table[frame.RasterBits[i]];
    DGifCloseFile(g, &error);
}

void RawTiff(const std::string& path, uint32_t* out) {
    TIFF* t = TIFFOpen(path.c_str(), "r");
    TIFFReadRGBAImageOriented(t, W, H, out, ORIENTATION_TOPLEFT, 1);
    TIFFClose(t);
}

void RawBmp(const std::vector<uint8_t>& file, uint32_t* out) {
    const uint8_t* px = file.data() + 54;
    const size_t stride = ((size_t)W * 3 + 3) & ~(size_t)3;
    for (int y = 0; y < H; y++) {
        const uint8_t* row = px + (size_t)(H - 1 - y) * stride;
        uint32_t* dst = out + (size_t)y * W;
        for (int x = 0; x < W; x++) dst[x] = row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16;
    }
}

void BM_Load(benchmark::State& state) {
    const int format = (int)state.range(0);
    PXK_SelectImage(SLOT32);
    for (auto _ : state)
        if (PXK_LoadImageFile(PathOf(format).c_str(), 0, 0)) state.SkipWithError("load failed");
}

void BM_RawDecode(benchmark::State& state) {
    const int format = (int)state.range(0);
    std::vector<uint32_t> out((size_t)W * H);
    for (auto _ : state) {
        if (format == PXK_FILE_TIFF) {
            RawTiff(PathOf(format), out.data());
            continue;
        }
        const std::vector<uint8_t> file = ReadAll(PathOf(format));
        if (format == PXK_FILE_PNG) RawPng(file, out.data());
        else if (format == PXK_FILE_JPEG) RawJpeg(file, out.data());
        else if (format == PXK_FILE_GIF) RawGif(file, out.data());
        else RawBmp(file, out.data());
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_Load8(benchmark::State& state) {
    const int format = (int)state.range(0);
    PXK_SelectImage(SLOT8);
    for (auto _ : state)
        if (PXK_LoadImageFile(PathOf(format).c_str(), 0, 0)) state.SkipWithError("load failed");
}

void BM_Save(benchmark::State& state) {
    const int format = (int)state.range(0);
    PXK_SelectImage(SLOT32);
    const std::string path = dir + "/saved" + EXT[format];
    for (auto _ : state)
        if (PXK_SaveImageFile(H, W, format, path.c_str())) state.SkipWithError("save failed");
}

// ---- Raw library encodes ----------------------------------------------------------------

void PngWrite(png_structp png, png_bytep data, png_size_t n) {
    std::vector<uint8_t>* out = (std::vector<uint8_t>*)png_get_io_ptr(png);
    out->insert(out->end(), data, data + n);
}

// libpng as OpenCV's imwrite sets it up by default: level 1, Z_RLE, libpng's own filters.
size_t RawPngOpenCvDefaults(const std::string& path) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, PngWrite, nullptr);
    png_set_compression_level(png, 1);
    png_set_compression_strategy(png, 3);
    png_set_IHDR(png, info, W, H, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < H; y++) png_write_row(png, (png_const_bytep)(photo.data() + (size_t)y * W));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    WriteAll(path, out.data(), out.size());
    return out.size();
}

void BM_RawPngOpenCvDefaults(benchmark::State& state) {
    size_t size = 0;
    for (auto _ : state) size = RawPngOpenCvDefaults(dir + "/raw.png");
    state.counters["bytes"] = (double)size;
}

void BM_RawJpegEncode(benchmark::State& state) {
    for (auto _ : state) {
        jpeg_compress_struct c;
        jpeg_error_mgr e;
        c.err = jpeg_std_error(&e);
        jpeg_create_compress(&c);
        unsigned char* buffer = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&c, &buffer, &size);
        c.image_width = W;
        c.image_height = H;
        c.input_components = 4;
        c.in_color_space = JCS_EXT_BGRX;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, 100, TRUE);
        for (int i = 0; i < c.num_components; i++) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
        jpeg_start_compress(&c, TRUE);
        while (c.next_scanline < c.image_height) {
            JSAMPROW row = (JSAMPROW)(photo.data() + (size_t)c.next_scanline * W);
            jpeg_write_scanlines(&c, &row, 1);
        }
        jpeg_finish_compress(&c);
        jpeg_destroy_compress(&c);
        WriteAll(dir + "/raw.jpg", buffer, size);
        free(buffer);
    }
}

#if PIXKIT_HAVE_OPENCV
void BM_OpenCvImwritePng(benchmark::State& state) {
    cv::Mat m(H, W, CV_8UC4, photo.data()), bgr;
    cv::cvtColor(m, bgr, cv::COLOR_BGRA2BGR);
    for (auto _ : state) cv::imwrite(dir + "/cv.png", bgr);
}
void BM_OpenCvImreadJpeg(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(cv::imread(PathOf(PXK_FILE_JPEG)).data);
}
BENCHMARK(BM_OpenCvImwritePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCvImreadJpeg)->Unit(benchmark::kMillisecond);
#endif

BENCHMARK(BM_Load)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawDecode)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load8)->Arg(PXK_FILE_JPEG)->Arg(PXK_FILE_PNG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawPngOpenCvDefaults)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawJpegEncode)->Unit(benchmark::kMillisecond);

// ---- The pictures people bring ----------------------------------------------------------

enum { BIG_W = 6000, BIG_H = 4000 };
enum { WEBP_LOSSY, WEBP_LOSSLESS, HEIC, AVIF, PHOTOS };
const char* const PHOTO_NAMES[PHOTOS] = {"WebP lossy", "WebP lossless", "HEIC", "AVIF"};
const char* const PHOTO_FILES[PHOTOS] = {"/lossy.webp", "/photo.webp", "/photo.heic", "/photo.avif"};

std::string CameraJpeg(int orientation) { return dir + "/camera_o" + std::to_string(orientation) + ".jpg"; }
std::string PhotoPath(int photo) { return dir + PHOTO_FILES[photo]; }

// Opened as a user opens a picture; the image is closed, untimed, before the next.
void BM_OpenCameraJpeg(benchmark::State& state) {
    const std::string path = CameraJpeg((int)state.range(0));
    for (auto _ : state) {
        const int slot = PXK_OpenImageFile(path.c_str());
        state.PauseTiming();
        if (slot < 0) state.SkipWithError("open failed");
        else PXK_DestroyImage(slot);
        state.ResumeTiming();
    }
}

// libjpeg-turbo alone, into a buffer that stays from run to run.
void BM_LibjpegCamera(benchmark::State& state) {
    std::vector<uint8_t> rgb((size_t)BIG_W * BIG_H * 3, 1);
    for (auto _ : state)
        if (!LibjpegDecodeRgb(CameraJpeg(1), &rgb)) state.SkipWithError("decode failed");
}

// The codec alone, for the cost of the orientation.
void BM_DecodeCameraJpeg(benchmark::State& state) {
    const std::string path = CameraJpeg((int)state.range(0));
    for (auto _ : state) {
        DecodedImage d;
        if (CodecDecodeFile(path.c_str(), &d)) state.SkipWithError("decode failed");
        CodecFreeImage(&d);
    }
}

// One plain pass that turns the picture's words a quarter into fresh memory, as the
// orientation's pass writes a fresh buffer: what "one pass over the pixels" costs.
void BM_TurnPass(benchmark::State& state) {
    std::vector<uint32_t> src((size_t)BIG_W * BIG_H, 0x123456);
    const size_t bytes = src.size() * 4;
    for (auto _ : state) {
        uint32_t* dst = (uint32_t*)CodecAllocZeroed(bytes);
        if (!dst) {
            state.SkipWithError("no memory");
            break;
        }
        for (int y = 0; y < BIG_W; y++)
            for (int x = 0; x < BIG_H; x++) dst[(size_t)y * BIG_H + x] = src[(size_t)(BIG_H - 1 - x) * BIG_W + y];
        benchmark::DoNotOptimize(dst);
        CodecFreeZeroed(dst, bytes);
    }
}

// The same pixels copied into fresh memory: a pass at the memory's own speed.
void BM_CopyPass(benchmark::State& state) {
    std::vector<uint32_t> src((size_t)BIG_W * BIG_H, 0x123456);
    const size_t bytes = src.size() * 4;
    for (auto _ : state) {
        uint32_t* dst = (uint32_t*)CodecAllocZeroed(bytes);
        if (!dst) {
            state.SkipWithError("no memory");
            break;
        }
        memcpy(dst, src.data(), bytes);
        benchmark::DoNotOptimize(dst);
        CodecFreeZeroed(dst, bytes);
    }
}

void BM_LoadPhoto(benchmark::State& state) {
    const std::string path = PhotoPath((int)state.range(0));
    PXK_SelectImage(SLOT32);
    for (auto _ : state)
        if (PXK_LoadImageFile(path.c_str(), 0, 0)) state.SkipWithError("load failed");
}

void BM_LibDecodePhoto(benchmark::State& state) {
    const int photo = (int)state.range(0);
    for (auto _ : state) {
        const bool done = photo <= WEBP_LOSSLESS ? LibwebpDecodeRgba(PhotoPath(photo)) : LibheifDecodeRgb(PhotoPath(photo));
        if (!done) state.SkipWithError("decode failed");
    }
}

BENCHMARK(BM_OpenCameraJpeg)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_LibjpegCamera)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_DecodeCameraJpeg)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_TurnPass)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_CopyPass)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_LoadPhoto)->DenseRange(0, PHOTOS - 1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_LibDecodePhoto)->DenseRange(0, PHOTOS - 1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The files of the speed cases. The 12-megapixel photo is the JPEG's own picture cut to 4000 x 3000.
bool MakePhotoFiles() {
    const std::vector<uint32_t> camera = MakeCameraPhoto(BIG_W, BIG_H);
    if (!WriteCameraJpeg(CameraJpeg(1), camera, BIG_W, BIG_H, 1) || !WriteCameraJpeg(CameraJpeg(6), camera, BIG_W, BIG_H, 6))
        return false;
    std::vector<uint32_t> photo12((size_t)W * H);
    for (int y = 0; y < H; y++) memcpy(&photo12[(size_t)y * W], &camera[(size_t)y * BIG_W], (size_t)W * 4);
    PXK_SelectImage(SLOT32);
    memcpy(image_pixels[SLOT32], photo12.data(), photo12.size() * 4);
    const bool made = WriteLossyWebp(PhotoPath(WEBP_LOSSY), photo12, W, H) &&
                      PXK_SaveImageFile(H, W, PXK_FILE_WEBP, (dir + "/photo").c_str()) == 0 &&
                      WriteHeifPhoto(PhotoPath(HEIC), photo12, W, H, false) &&
                      WriteHeifPhoto(PhotoPath(AVIF), photo12, W, H, true);
    memcpy(image_pixels[SLOT32], photo.data(), photo.size() * 4);   // what the save cases write
    return made;
}

// Whether opening the camera's JPEG makes an image of its shown size whose window shows it:
// the view's middle pixel near the picture's middle pixel (the view is the halftone of a
// smooth picture there).
bool OpensOnScreen(int orientation) {
    const int slot = PXK_OpenImageFile(CameraJpeg(orientation).c_str());
    if (slot < 0) return false;
    const ImageRecord& r = image_table[slot];
    const bool turned = orientation >= 5;
    bool shown = r.width == (turned ? BIG_H : BIG_W) && r.height == (turned ? BIG_W : BIG_H) && r.bits == 32;
    if (shown) {
        const uint32_t middle = ((const uint32_t*)image_pixels[slot])[(size_t)(r.height / 2) * r.width + r.width / 2];
        const uint32_t seen = DriverClientPixel(r.window, r.view_width / 2, r.view_height / 2);
        for (int shift = 0; shift < 24; shift += 8)
            shown = shown && abs((int)(middle >> shift & 0xFF) - (int)(seen >> shift & 0xFF)) < 48;
        printf("check: %s opens %d x %d, view %d x %d, middle %06X, on screen %06X\n", CameraJpeg(orientation).c_str() + dir.size() + 1,
               r.width, r.height, r.view_width, r.view_height, middle & 0xFFFFFF, seen & 0xFFFFFF);
    }
    PXK_DestroyImage(slot);
    return shown;
}

void PrintPhotoRatios(const RatioReporter& reporter) {
    printf("\nRatios of the process's CPU time, all its threads (ours / the library alone; below 1 is faster):\n");
    PrintRatio(reporter, "open 24 MP JPEG (goal 1.5x)", "BM_OpenCameraJpeg/1/process_time", "BM_LibjpegCamera/process_time");
    PrintRatio(reporter, "open 24 MP JPEG, orientation 6", "BM_OpenCameraJpeg/6/process_time", "BM_LibjpegCamera/process_time");
    for (int k = 0; k < PHOTOS; k++) {
        const std::string what = std::string("load 12 MP ") + PHOTO_NAMES[k] + " (goal 1.2x)";
        const std::string ours = "BM_LoadPhoto/" + std::to_string(k) + "/process_time";
        const std::string lib = "BM_LibDecodePhoto/" + std::to_string(k) + "/process_time";
        PrintRatio(reporter, what.c_str(), ours.c_str(), lib.c_str());
    }
    PrintRatio(reporter, "decode 24 MP JPEG, orientation 6", "BM_DecodeCameraJpeg/6/process_time",
               "BM_DecodeCameraJpeg/1/process_time");
    auto t = [&](const char* name) {
        auto it = reporter.times.find(name);
        return it == reporter.times.end() ? 0.0 : it->second;
    };
    const double extra = t("BM_DecodeCameraJpeg/6/process_time") - t("BM_DecodeCameraJpeg/1/process_time");
    const double turn = t("BM_TurnPass/process_time"), copy = t("BM_CopyPass/process_time");
    if (turn > 0) printf("  %-34s %-28s %8.2fx\n", "orientation 6's extra (goal 1.0x)", "BM_TurnPass/process_time", extra / turn);
    if (copy > 0) printf("  %-34s %-28s %8.2fx\n", "orientation 6's extra", "BM_CopyPass/process_time", extra / copy);
}

// -1 for a file the benchmarks run did not write.
long FileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? (long)st.st_size : -1;
}

}  // namespace

extern "C" void UserSetup(void) { StartRequested.store(1); }

extern "C" void UserMain(void) {
    char templ[] = "/tmp/pixkit-bench-codec-XXXXXX";
    bool ready = mkdtemp(templ) != nullptr;
    dir = templ;
    MakePhoto();
    ready = ready && PXK_CreateImage(SLOT32, "photo", 0, 0, W, H, 25) == 0 &&
            PXK_CreateImage8(SLOT8, "photo 8", 0, 0, W, H, 25) == 0;
    if (ready) {
        memcpy(image_pixels[SLOT32], photo.data(), photo.size() * 4);
        PXK_SelectImage(SLOT32);
        for (int f = 0; f < 5; f++) ready = ready && PXK_SaveImageFile(H, W, f, (dir + "/photo").c_str()) == 0;
    }
    ready = ready && MakePhotoFiles() && OpensOnScreen(1) && OpensOnScreen(6);
    if (!ready) {
        fprintf(stderr, "bench_codec: the pictures could not be made or opened\n");
    } else {
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        printf("\nRatios of CPU time (operation / baseline; below 1 is faster):\n");
        for (int f = 0; f < 5; f++) {
            const std::string load = "BM_Load/" + std::to_string(f), raw = "BM_RawDecode/" + std::to_string(f);
            PrintRatio(reporter, (std::string("load ") + NAMES[f]).c_str(), load.c_str(), raw.c_str());
        }
        PrintRatio(reporter, "load JPEG into 8 bits", "BM_Load8/1", "BM_Load/1");
        PrintRatio(reporter, "load PNG into 8 bits", "BM_Load8/3", "BM_Load/3");
        PrintRatio(reporter, "save PNG", "BM_Save/3", "BM_RawPngOpenCvDefaults");
        PrintRatio(reporter, "save PNG", "BM_Save/3", "BM_OpenCvImwritePng");
        PrintRatio(reporter, "save JPEG", "BM_Save/1", "BM_RawJpegEncode");
        printf("PNG bytes: ours %ld, OpenCV's defaults %ld\n", FileSize(dir + "/saved.png"), FileSize(dir + "/raw.png"));
        PrintPhotoRatios(reporter);
    }
    fflush(stdout);
    const std::string cleanup = "rm -rf '" + dir + "'";
    if (system(cleanup.c_str())) fprintf(stderr, "bench_codec: %s failed\n", cleanup.c_str());
    ExitBenchProgram();
}

int main(int argc, char** argv) { return RunBenchProgram(argc, argv, 1920, 1080); }
