// JPEG through libjpeg-turbo. Decoding writes straight into 32-bit words with the library's
// extended colour spaces (B, G, R, X in memory); CMYK and YCCK files are converted from the
// library's CMYK output (inverted, as Adobe writes them). Saving writes quality 100 with
// 4:4:4 chroma, so that the hard colour edges of test charts survive. Bombs are refused by
// the pixel cap, the library's memory limit and a cap on progressive scans; a file that ends
// early is a failure, not a grey lower half.
#include "codec/codec_jpeg.h"

#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>

#include <jpeglib.h>
#include <jerror.h>

namespace {

const long JPEG_MEMORY_LIMIT = 512l << 20;
const int JPEG_MAX_SCANS = 1000;

struct JpegError {
    jpeg_error_mgr base;
    jmp_buf jump;
};

[[noreturn]] void Fail(j_common_ptr cinfo) { longjmp(((JpegError*)cinfo->err)->jump, 1); }

// Warnings are ignored except those for data that ends early: the file ends (JWRN_JPEG_EOF),
// or a marker, typically an end of image written after a cut, comes where the coded data of a
// scan still goes on (JWRN_HIT_MARKER). The library would go on with zeros, which gives a grey
// lower half, or decodes a header's claim of gigapixels from a few bytes.
void Message(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) Fail(cinfo);
}

void CountScans(j_common_ptr cinfo) {
    if (cinfo->is_decompressor && ((j_decompress_ptr)cinfo)->input_scan_number > JPEG_MAX_SCANS) Fail(cinfo);
}

// One row of CMYK samples as words, in place (four samples make one word).
void ConvertCmyk(uint8_t* row, int width, bool inverted) {
    uint32_t* dst = (uint32_t*)row;
    for (int x = 0; x < width; x++) {
        uint32_t c = row[4 * x], m = row[4 * x + 1], ye = row[4 * x + 2], k = row[4 * x + 3];
        if (!inverted) c = 255 - c, m = 255 - m, ye = 255 - ye, k = 255 - k;
        const uint32_t r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (ye * k + 127) / 255;
        dst[x] = r << 16 | g << 8 | b;
    }
}

}  // namespace

// Rows are decoded one at a time, in place when the whole width is kept, else into a working
// row whose kept columns are copied; the coded data of rows outside the kept part is decoded
// and dropped, so damage anywhere still fails the load.
int DecodeJpeg(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out) {
    jpeg_decompress_struct cinfo;
    JpegError err;
    jpeg_progress_mgr progress;
    uint8_t* volatile work_row = nullptr;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = Fail;
    err.base.emit_message = Message;
    if (setjmp(err.jump)) {
        free(work_row);
        jpeg_destroy_decompress(&cinfo);
        return 1;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = JPEG_MEMORY_LIMIT;
    progress.progress_monitor = CountScans;
    cinfo.progress = &progress;
    jpeg_mem_src(&cinfo, data, (unsigned long)size);
    jpeg_read_header(&cinfo, TRUE);
    if (CodecAllocImage(out, cinfo.image_width, cinfo.image_height, false, limits)) Fail((j_common_ptr)&cinfo);
    // The library's own buffers (a progressive file's coefficients) stay within the room left.
    if ((uint64_t)cinfo.mem->max_memory_to_use > out->room) cinfo.mem->max_memory_to_use = (long)out->room;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);
    if ((int)cinfo.output_width != out->picture_width || (int)cinfo.output_height != out->picture_height)
        Fail((j_common_ptr)&cinfo);
    const bool whole_width = out->width == out->picture_width;
    if (cmyk || !whole_width) {
        work_row = (uint8_t*)CodecAllocWork(out, (uint64_t)out->picture_width * 4);
        if (!work_row) Fail((j_common_ptr)&cinfo);
    }
    // Adobe writes CMYK inverted (0 is full ink); it marks its files with its marker.
    const bool inverted = cinfo.saw_Adobe_marker;
    const int last = (int)cinfo.output_height - 1;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = (int)cinfo.output_scanline;
        // Rows outside the kept part go through the library's skip, which still decodes their
        // coded data (so that damage there fails the load) but neither transforms nor converts
        // them. The last row is always read: a skip to the end would read nothing more.
        if (!CodecKeepsRow(out, y) && y < last) {
            const int stop = y < out->top && out->height > 0 ? out->top : last;
            if (jpeg_skip_scanlines(&cinfo, (JDIMENSION)(stop - y)) == 0) Fail((j_common_ptr)&cinfo);
            continue;
        }
        uint8_t* direct = cmyk ? nullptr : CodecDirectRow(out, y);
        JSAMPROW row = direct ? direct : work_row;
        if (!row) {
            work_row = (uint8_t*)CodecAllocWork(out, (uint64_t)out->picture_width * 4);
            row = work_row;
        }
        if (!row || jpeg_read_scanlines(&cinfo, &row, 1) != 1) Fail((j_common_ptr)&cinfo);
        if (direct) continue;
        if (cmyk && CodecKeepsRow(out, y)) ConvertCmyk(row, out->picture_width, inverted);
        CodecPutRow(out, y, row);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    free(work_row);
    return 0;
}

int EncodeJpeg(const CodecPicture& p, std::vector<uint8_t>* out) {
    if (p.width > 65500 || p.height > 65500) return 1;
    jpeg_compress_struct cinfo;
    JpegError err;
    unsigned char* volatile buffer = nullptr;
    unsigned long buffer_size = 0;
    uint8_t* volatile row = nullptr;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = Fail;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        free(buffer);
        free(row);
        return 1;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, (unsigned char**)&buffer, &buffer_size);
    cinfo.image_width = (JDIMENSION)p.width;
    cinfo.image_height = (JDIMENSION)p.height;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    for (int i = 0; i < cinfo.num_components; i++) {
        cinfo.comp_info[i].h_samp_factor = 1;
        cinfo.comp_info[i].v_samp_factor = 1;
    }
    if (p.bits == 8) {
        row = (uint8_t*)malloc((size_t)p.width * 4);
        if (!row) Fail((j_common_ptr)&cinfo);
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uint8_t* src = p.pixels + (size_t)cinfo.next_scanline * p.stride;
        JSAMPROW line = (JSAMPROW)src;
        if (p.bits == 8) {
            for (int x = 0; x < p.width; x++) ((uint32_t*)row)[x] = p.palette[src[x]];
            line = row;
        }
        jpeg_write_scanlines(&cinfo, &line, 1);
    }
    jpeg_finish_compress(&cinfo);
    out->assign(buffer, buffer + buffer_size);
    jpeg_destroy_compress(&cinfo);
    free(buffer);
    free(row);
    return 0;
}
