// TIFF through libtiff, over memory instead of a file. The first directory is read: palette
// images of 1 to 8 bits keep their indices and ColorMap, all others go through the library's
// RGBA reader, which writes straight into the pixel words. libtiff's allocation limit refuses
// absurd strip sizes; its messages are swallowed (a failure is a code, not console output).
// Saving writes LZW-compressed RGB or palette images.
#include "platform/codec/codec_tiff.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <tiffio.h>

#include <algorithm>

namespace {

const tmsize_t TIFF_ALLOCATION_LIMIT = (tmsize_t)256 << 20;

struct TiffStream {
    const uint8_t* data;          // reading
    std::vector<uint8_t>* out;    // writing
    uint64_t size;
    uint64_t pos;
};

tmsize_t StreamRead(thandle_t h, void* buf, tmsize_t n) {
    TiffStream* s = (TiffStream*)h;
    if (!s->data || n < 0 || s->pos >= s->size) return 0;
    uint64_t take = (uint64_t)n;
    if (take > s->size - s->pos) take = s->size - s->pos;
    memcpy(buf, s->data + s->pos, (size_t)take);
    s->pos += take;
    return (tmsize_t)take;
}

tmsize_t StreamWrite(thandle_t h, void* buf, tmsize_t n) {
    TiffStream* s = (TiffStream*)h;
    if (!s->out || n < 0) return 0;
    if (s->pos + (uint64_t)n > s->out->size()) s->out->resize((size_t)(s->pos + n));
    memcpy(s->out->data() + s->pos, buf, (size_t)n);
    s->pos += (uint64_t)n;
    s->size = s->out->size();
    return n;
}

toff_t StreamSeek(thandle_t h, toff_t off, int whence) {
    TiffStream* s = (TiffStream*)h;
    const uint64_t base = whence == SEEK_CUR ? s->pos : whence == SEEK_END ? s->size : 0;
    s->pos = base + off;
    return s->pos;
}

int StreamClose(thandle_t) { return 0; }
toff_t StreamSize(thandle_t h) { return ((TiffStream*)h)->size; }
int NoMap(thandle_t, void**, toff_t*) { return 0; }
void NoUnmap(thandle_t, void*, toff_t) {}
int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFF* OpenStream(TiffStream* s, const char* mode) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, TIFF_ALLOCATION_LIMIT);
    TIFFOpenOptionsSetErrorHandlerExtR(options, Quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, Quiet, nullptr);
    TIFF* tif = TIFFClientOpenExt("memory", mode, (thandle_t)s, StreamRead, StreamWrite, StreamSeek, StreamClose,
                                  StreamSize, NoMap, NoUnmap, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

int ReadPaletteImage(TIFF* tif, int bits, DecodedImage* out) {
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b) return 1;
    const int count = 1 << bits;
    for (int i = 0; i < count; i++) out->palette[i] = (uint32_t)(r[i] >> 8) << 16 | (uint32_t)(g[i] >> 8) << 8 | b[i] >> 8;
    out->palette_count = count;
    const tmsize_t line_size = TIFFScanlineSize(tif);
    if (line_size < ((tmsize_t)out->width * bits + 7) / 8) return 1;
    std::vector<uint8_t> line((size_t)line_size);
    const int per_byte = 8 / bits;
    const uint8_t mask = (uint8_t)((1 << bits) - 1);
    for (int y = 0; y < out->height; y++) {
        if (TIFFReadScanline(tif, line.data(), (uint32_t)y, 0) < 0) return 1;
        uint8_t* dst = out->indices + (size_t)y * out->width;
        if (bits == 8) {
            memcpy(dst, line.data(), (size_t)out->width);
            continue;
        }
        for (int x = 0; x < out->width; x++)
            dst[x] = (uint8_t)((line[x / per_byte] >> (8 - bits * (x % per_byte + 1))) & mask);
    }
    return 0;
}

// The RGBA reader gives words with red in the low byte (ours have blue there) and colours
// multiplied by their alpha, whichever way the file stores them; both are undone here.
int ReadRgbaImage(TIFF* tif, DecodedImage* out) {
    if (!TIFFReadRGBAImageOriented(tif, (uint32_t)out->width, (uint32_t)out->height, out->pixels,
                                   ORIENTATION_TOPLEFT, 1))
        return 1;
    uint16_t extra = 0;
    uint16_t* kinds = nullptr;
    out->has_alpha = TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extra, &kinds) && extra > 0;
    const size_t n = (size_t)out->width * out->height;
    for (size_t i = 0; i < n; i++) {
        const uint32_t v = out->pixels[i], a = v >> 24;
        uint32_t r = v & 0xFF, g = v >> 8 & 0xFF, b = v >> 16 & 0xFF;
        if (out->has_alpha && a && a < 255) {
            r = std::min<uint32_t>(255, (r * 255 + a / 2) / a);
            g = std::min<uint32_t>(255, (g * 255 + a / 2) / a);
            b = std::min<uint32_t>(255, (b * 255 + a / 2) / a);
        }
        out->pixels[i] = a << 24 | r << 16 | g << 8 | b;
    }
    return 0;
}

int DecodeDirectory(TIFF* tif, uint64_t max_pixels, DecodedImage* out) {
    uint32_t w = 0, h = 0;
    uint16_t photometric = 0, bits = 1, samples = 1, planar = PLANARCONFIG_CONTIG;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h)) return 1;
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    const bool indexed = photometric == PHOTOMETRIC_PALETTE && samples == 1 && !TIFFIsTiled(tif) &&
                         planar == PLANARCONFIG_CONTIG && (bits == 1 || bits == 2 || bits == 4 || bits == 8);
    if (CodecAllocImage(out, w, h, indexed, max_pixels)) return 1;
    return indexed ? ReadPaletteImage(tif, bits, out) : ReadRgbaImage(tif, out);
}

}  // namespace

int DecodeTiff(const uint8_t* data, size_t size, uint64_t max_pixels, DecodedImage* out) {
    TiffStream s{data, nullptr, size, 0};
    TIFF* tif = OpenStream(&s, "rm");
    if (!tif) return 1;
    const int code = DecodeDirectory(tif, max_pixels, out);
    TIFFClose(tif);
    return code;
}

int EncodeTiff(const CodecPicture& p, std::vector<uint8_t>* out) {
    const bool indexed = p.bits == 8;
    // Classic TIFF addresses 4 GB; leave room for the strips' table and a little growth.
    if ((uint64_t)p.width * p.height * (indexed ? 1 : 3) > (3ull << 30)) return 1;
    TiffStream s{nullptr, out, 0, 0};
    TIFF* tif = OpenStream(&s, "wm");
    if (!tif) return 1;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, (uint32_t)p.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, (uint32_t)p.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, indexed ? 1 : 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, indexed ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    uint16_t map[3][256];
    if (indexed) {
        for (int i = 0; i < 256; i++) {
            map[0][i] = (uint16_t)((p.palette[i] >> 16 & 0xFF) * 257);
            map[1][i] = (uint16_t)((p.palette[i] >> 8 & 0xFF) * 257);
            map[2][i] = (uint16_t)((p.palette[i] & 0xFF) * 257);
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, map[0], map[1], map[2]);
    }
    std::vector<uint8_t> line((size_t)p.width * 3);
    int failed = 0;
    for (int y = 0; y < p.height && !failed; y++) {
        const uint8_t* src = p.pixels + (size_t)y * p.stride;
        if (indexed) {
            memcpy(line.data(), src, (size_t)p.width);
        } else {
            for (int x = 0; x < p.width; x++) {
                line[3 * x] = src[4 * x + 2];
                line[3 * x + 1] = src[4 * x + 1];
                line[3 * x + 2] = src[4 * x];
            }
        }
        failed = TIFFWriteScanline(tif, line.data(), (uint32_t)y, 0) < 0;
    }
    failed |= !TIFFFlush(tif);
    TIFFClose(tif);
    return failed;
}
