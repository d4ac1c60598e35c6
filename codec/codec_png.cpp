// PNG through libpng's classic interface. Sixteen-bit samples are scaled to eight bits by
// png_set_scale_16 (the simplified interface would treat them as linear light and brighten
// them); palette files keep their indices, everything else becomes 32-bit words in place.
// Rows are read one by one and only those of the kept part are held.
// The library reports errors by longjmp, so the functions that call it hold no object with
// a destructor.
#include "codec/codec_png.h"

#include <png.h>
#include <setjmp.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Saving: zlib level 1 with run-length matching only, and the Up filter on every row instead
// of libpng's per-row choice among all five. Measured on a 4000 x 3000 photo-like picture
// (bench_codec): 0.6x the time of libpng set up as OpenCV's imwrite sets it (level 1, Z_RLE,
// adaptive filters) for a file 4% larger; the Sub filter gave 7% larger files at the same
// speed, no filter doubled the size, and Huffman coding alone was barely faster but 11% larger.
const int PNG_SAVE_LEVEL = 1;
const int PNG_SAVE_STRATEGY = 3;   // Z_RLE
const int PNG_SAVE_FILTERS = PNG_FILTER_UP;

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void ReadBytes(png_structp png, png_bytep dst, png_size_t n) {
    PngSource* src = (PngSource*)png_get_io_ptr(png);
    if (n > src->size - src->pos) png_error(png, "truncated");
    memcpy(dst, src->data + src->pos, n);
    src->pos += n;
}

void WriteBytes(png_structp png, png_bytep data, png_size_t n) {
    std::vector<uint8_t>* out = (std::vector<uint8_t>*)png_get_io_ptr(png);
    out->insert(out->end(), data, data + n);
}

void Flush(png_structp) {}

[[noreturn]] void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void Warn(png_structp, png_const_charp) {}

// The palette and the alpha of its entries (tRNS) of a palette file.
void ReadPngPalette(png_structp png, png_infop info, DecodedImage* out) {
    png_colorp colors = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &colors, &count) && colors) {
        if (count > 256) count = 256;
        for (int i = 0; i < count; i++)
            out->palette[i] = (uint32_t)colors[i].red << 16 | (uint32_t)colors[i].green << 8 | colors[i].blue;
        out->palette_count = count;
    }
    png_bytep alpha = nullptr;
    int alpha_count = 0;
    if (!png_get_tRNS(png, info, &alpha, &alpha_count, nullptr) || !alpha) return;
    out->has_alpha = 1;
    for (int i = 0; i < 256; i++) {
        // Entries past the tRNS chunk are opaque; those past the palette stay transparent black.
        const uint32_t a = i < alpha_count ? alpha[i] : i < count ? 255 : 0;
        out->palette[i] |= a << 24;
    }
}

// Transformations to 32-bit words B, G, R, A (or 0) in memory; whether alpha is kept.
int SetDirectTransforms(png_structp png, png_infop info, int color_type) {
    png_set_scale_16(png);
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    if ((color_type & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS)) return 1;
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    return 0;
}

// The rows of an interlaced file come pass by pass, each holding the pass's pixels only
// (libpng's own interlace handling would need whole rows of the picture at once); each pixel
// goes to its place in the kept part.
// How rows come from the library: palette indices, 8-bit grey that becomes words here (the
// library's own expansion to words costs most of the time of a large grey picture, also for
// rows that are dropped), or words.
enum RowLayout { ROW_INDICES, ROW_GREY, ROW_WORDS };

// The kept columns of an 8-bit grey row as words.
void PutGreyRow(DecodedImage* out, int64_t y, const uint8_t* row) {
    if (!CodecKeepsRow(out, y)) return;
    uint32_t* dst = (uint32_t*)CodecKeptRow(out, y);
    const uint8_t* src = row + out->left;
    for (int x = 0; x < out->width; x++) dst[x] = src[x] * 0x010101u;
}

void ReadInterlacedRows(png_structp png, const png_uint_32 width, const png_uint_32 height, RowLayout layout,
                        uint8_t* row, DecodedImage* out) {
    for (int pass = 0; pass < 7; pass++) {
        const png_uint_32 columns = PNG_PASS_COLS(width, pass), rows = PNG_PASS_ROWS(height, pass);
        if (columns == 0 || rows == 0) continue;   // the library skips empty passes too
        for (png_uint_32 r = 0; r < rows; r++) {
            png_read_row(png, row, nullptr);
            const int64_t y = PNG_ROW_FROM_PASS_ROW(r, pass);
            if (!CodecKeepsRow(out, y)) continue;
            for (png_uint_32 i = 0; i < columns; i++) {
                const int64_t x = PNG_COL_FROM_PASS_COL(i, pass);
                if (layout == ROW_INDICES) CodecPutIndex(out, x, y, row[i]);
                else if (layout == ROW_GREY) CodecPutPixel(out, x, y, row[i] * 0x010101u);
                else CodecPutPixel(out, x, y, ((const uint32_t*)row)[i]);
            }
        }
    }
}

}  // namespace

int DecodePng(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Warn);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return 1;
    }
    PngSource src{data, size, 0};
    uint8_t* volatile work_row = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        free(work_row);
        png_destroy_read_struct(&png, &info, nullptr);
        return 1;
    }
    png_set_read_fn(png, &src, ReadBytes);
    png_set_user_limits(png, INT32_MAX / 4, INT32_MAX / 4);
    png_set_chunk_cache_max(png, 1000);
    png_set_chunk_malloc_max(png, 16u << 20);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, color_type = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &color_type, &interlace, nullptr, nullptr);
    const bool indexed = color_type == PNG_COLOR_TYPE_PALETTE;
    const RowLayout layout = indexed ? ROW_INDICES
                             : color_type == PNG_COLOR_TYPE_GRAY && depth == 8 && !png_get_valid(png, info, PNG_INFO_tRNS)
                                 ? ROW_GREY
                                 : ROW_WORDS;
    if (CodecAllocImage(out, width, height, indexed, limits)) png_error(png, "size");
    // The library keeps two rows of the file's own layout (at most 8 bytes a pixel); ours is
    // one of at most 4.
    const size_t row_bytes = (size_t)width * (layout == ROW_WORDS ? 4 : 1);
    if (!CodecRoomFor(out, 2 * (png_get_rowbytes(png, info) + 1) + row_bytes)) png_error(png, "memory");
    out->room -= 2 * (png_get_rowbytes(png, info) + 1);
    if (indexed) {
        png_set_packing(png);
        ReadPngPalette(png, info, out);
    } else if (layout == ROW_WORDS) {
        out->has_alpha = SetDirectTransforms(png, info, color_type);
    }
    png_read_update_info(png, info);
    const bool interlaced = interlace != PNG_INTERLACE_NONE;
    if (png_get_rowbytes(png, info) != row_bytes) png_error(png, "layout");
    for (png_uint_32 y = 0; y < height && !interlaced; y++) {
        uint8_t* row = layout == ROW_GREY ? nullptr : CodecDirectRow(out, y);
        if (!row && !work_row) {
            work_row = (uint8_t*)CodecAllocWork(out, row_bytes);
            if (!work_row) png_error(png, "memory");
        }
        png_read_row(png, row ? row : work_row, nullptr);
        if (layout == ROW_GREY) PutGreyRow(out, y, work_row);
        else if (!row) CodecPutRow(out, y, work_row);
    }
    if (interlaced) {
        work_row = (uint8_t*)CodecAllocWork(out, row_bytes);
        if (!work_row) png_error(png, "memory");
        ReadInterlacedRows(png, width, height, layout, work_row, out);
    }
    png_read_end(png, nullptr);
    free(work_row);
    png_destroy_read_struct(&png, &info, nullptr);
    return 0;
}

int EncodePng(const CodecPicture& p, std::vector<uint8_t>* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Warn);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return 1;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 1;
    }
    out->reserve((size_t)p.width * p.height * (p.bits == 8 ? 1 : 3) / 2 + 1024);
    png_set_write_fn(png, out, WriteBytes, Flush);
    png_set_compression_level(png, PNG_SAVE_LEVEL);
    png_set_compression_strategy(png, PNG_SAVE_STRATEGY);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_SAVE_FILTERS);
    const bool indexed = p.bits == 8;
    png_set_IHDR(png, info, p.width, p.height, 8, indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    if (indexed) {
        png_color colors[256];
        for (int i = 0; i < 256; i++)
            colors[i] = png_color{(png_byte)(p.palette[i] >> 16), (png_byte)(p.palette[i] >> 8), (png_byte)p.palette[i]};
        png_set_PLTE(png, info, colors, 256);
    }
    png_write_info(png, info);
    if (!indexed) {
        png_set_bgr(png);
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    }
    for (int y = 0; y < p.height; y++) png_write_row(png, (png_const_bytep)(p.pixels + (size_t)y * p.stride));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return 0;
}
