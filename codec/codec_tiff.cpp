// TIFF through libtiff, over memory instead of a file. The first directory is read: palette
// images of 1 to 8 bits keep their indices and ColorMap (rounded to 8 bits), floating-point
// grey and RGB go through the scanline reader, all others through the library's RGBA reader,
// a band of rows at a time. Only the rows of the kept part are held. libtiff's allocation limit refuses
// absurd strip sizes; its messages are swallowed (a failure is a code, not console output).
// Saving writes LZW-compressed RGB or palette images.
#include "codec/codec_tiff.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
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
// Bytes being read are in memory already, so they are "mapped" as they are. The library reads
// tiles of uncompressed files only through a mapping (without one, libtiff 4.5 refuses every
// tile: "Invalid tile byte count"); it never writes through it.
int MapBytes(thandle_t h, void** base, toff_t* size) {
    TiffStream* s = (TiffStream*)h;
    if (!s->data) return 0;
    *base = (void*)s->data;
    *size = s->size;
    return 1;
}
void NoUnmap(thandle_t, void*, toff_t) {}
int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFF* OpenStream(TiffStream* s, const char* mode) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, TIFF_ALLOCATION_LIMIT);
    TIFFOpenOptionsSetErrorHandlerExtR(options, Quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, Quiet, nullptr);
    TIFF* tif = TIFFClientOpenExt("memory", mode, (thandle_t)s, StreamRead, StreamWrite, StreamSeek, StreamClose,
                                  StreamSize, MapBytes, NoUnmap, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

// Colour maps hold 16-bit values; some old writers put 8-bit values there instead, which a
// map with no value above 255 must be (ImageMagick reads both so).
bool EightBitColorMap(const uint16_t* r, const uint16_t* g, const uint16_t* b, int count) {
    for (int i = 0; i < count; i++)
        if (r[i] > 255 || g[i] > 255 || b[i] > 255) return false;
    return true;
}

uint32_t MapColor(const uint16_t* r, const uint16_t* g, const uint16_t* b, int i, bool eight) {
    if (eight) return (uint32_t)r[i] << 16 | (uint32_t)g[i] << 8 | b[i];
    return (uint32_t)CodecScale16(r[i]) << 16 | (uint32_t)CodecScale16(g[i]) << 8 | CodecScale16(b[i]);
}

int ReadPaletteImage(TIFF* tif, int bits, DecodedImage* out) {
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b) return 1;
    const int count = 1 << bits;
    const bool eight = EightBitColorMap(r, g, b, count);
    for (int i = 0; i < count; i++) out->palette[i] = MapColor(r, g, b, i, eight);
    out->palette_count = count;
    const tmsize_t line_size = TIFFScanlineSize(tif);
    const int width = out->picture_width;
    if (line_size < ((tmsize_t)width * bits + 7) / 8) return 1;
    uint8_t* line = (uint8_t*)CodecAllocWork(out, (uint64_t)line_size + (uint64_t)width);
    if (!line) return 1;
    uint8_t* indices = line + line_size;
    const int per_byte = 8 / bits;
    const uint8_t mask = (uint8_t)((1 << bits) - 1);
    int code = 0;
    for (int y = 0; y < out->picture_height && !code; y++) {
        if (TIFFReadScanline(tif, line, (uint32_t)y, 0) < 0) code = 1;
        if (code || !CodecKeepsRow(out, y)) continue;
        if (bits == 8) {
            CodecPutRow(out, y, line);
            continue;
        }
        for (int x = 0; x < width; x++)
            indices[x] = (uint8_t)((line[x / per_byte] >> (8 - bits * (x % per_byte + 1))) & mask);
        CodecPutRow(out, y, indices);
    }
    free(line);
    return code;
}

// The RGBA reader converts a palette file's 16-bit colour map by dropping the low byte; it
// gets a map whose high bytes are the rounded values instead.
void RoundColorMapForRgba(TIFF* tif, int bits) {
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (bits < 1 || bits > 16 || !TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b) return;
    const int count = 1 << bits;
    if (EightBitColorMap(r, g, b, count)) return;
    std::vector<uint16_t> map[3];
    const uint16_t* from[3] = {r, g, b};
    for (int c = 0; c < 3; c++) {
        map[c].resize((size_t)count);
        for (int i = 0; i < count; i++) map[c][(size_t)i] = (uint16_t)(CodecScale16(from[c][i]) << 8);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, map[0].data(), map[1].data(), map[2].data());
}

// One row of the RGBA reader as our words: red is in its low byte (ours has blue there) and
// colours are multiplied by their alpha, whichever way the file stores them; both are undone.
void ConvertRgbaRow(uint32_t* row, int width, bool alpha) {
    for (int x = 0; x < width; x++) {
        const uint32_t v = row[x], a = v >> 24;
        uint32_t r = v & 0xFF, g = v >> 8 & 0xFF, b = v >> 16 & 0xFF;
        if (alpha && a && a < 255) {
            r = std::min<uint32_t>(255, (r * 255 + a / 2) / a);
            g = std::min<uint32_t>(255, (g * 255 + a / 2) / a);
            b = std::min<uint32_t>(255, (b * 255 + a / 2) / a);
        }
        row[x] = a << 24 | r << 16 | g << 8 | b;
    }
}

// Everything else through the library's RGBA reader, a band of rows at a time: a strip (or a
// row of tiles) per call, so that each is decoded once, and never more rows than the room
// left holds. Rows and columns keep the stored order.
int ReadRgbaImage(TIFF* tif, DecodedImage* out) {
    char message[1024];
    TIFFRGBAImage img;
    if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&img, tif, 1, message)) return 1;
    // Rows and columns as stored, like the other layouts: the codec turns and mirrors every
    // format's pictures by their orientation in one place.
    img.req_orientation = img.orientation;
    uint16_t extra = 0;
    uint16_t* kinds = nullptr;
    out->has_alpha = TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extra, &kinds) && extra > 0;
    const uint32_t width = (uint32_t)out->picture_width, height = (uint32_t)out->picture_height;
    uint32_t band = height;
    if (TIFFIsTiled(tif)) TIFFGetFieldDefaulted(tif, TIFFTAG_TILELENGTH, &band);
    else TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &band);
    // Small strips are read several at a time, about 4 MB of raster, so that the reader does
    // not make and free its buffers once per row; a band stays a whole number of strips, so
    // that each strip is decoded once.
    const uint64_t row_bytes = (uint64_t)width * 4, wanted = std::max<uint64_t>(1, (4u << 20) / row_bytes);
    uint64_t band_rows = std::max<uint32_t>(band, 1);
    if (band_rows < wanted) band_rows *= wanted / band_rows;
    band = (uint32_t)std::max<uint64_t>(1, std::min<uint64_t>({band_rows, height, out->room / row_bytes}));
    uint32_t* raster = (uint32_t*)CodecAllocWork(out, (uint64_t)width * band * 4);
    int code = raster ? 0 : 1;
    for (uint32_t first = 0; first < height && !code; first += band) {
        const uint32_t rows = std::min(band, height - first);
        img.row_offset = (int)first;
        img.col_offset = 0;
        if (!TIFFRGBAImageGet(&img, raster, width, rows)) code = 1;
        for (uint32_t i = 0; i < rows && !code; i++) {
            const int64_t y = (int64_t)(first + i);
            if (!CodecKeepsRow(out, y)) continue;
            uint32_t* row = raster + (size_t)i * width;
            ConvertRgbaRow(row, (int)width, out->has_alpha);
            CodecPutRow(out, y, row);
        }
    }
    free(raster);
    TIFFRGBAImageEnd(&img);
    return code;
}

// A floating-point sample as ImageMagick shows it: 0..1 scaled to 16 bits with rounding and
// clamping, then to 8 bits with rounding.
uint32_t FloatSample(double v) {
    const double q = (double)((float)v * 65535.0f);
    const uint32_t level = !(q > 0) ? 0u : q >= 65535 ? 65535u : (uint32_t)(q + 0.5);
    return (level + 128 - ((level + 128) >> 8)) >> 8;
}

// Grey or RGB samples of 32 or 64-bit floating point (which the RGBA reader refuses), through
// the scanline reader, contiguous or one plane per sample; a sample past the colours is alpha.
int ReadFloatImage(TIFF* tif, int bits, int samples, bool planes, bool grey, DecodedImage* out) {
    const int colors = grey ? 1 : 3;
    const bool alpha = samples > colors;
    out->has_alpha = alpha;
    const int width = out->picture_width, size = bits / 8;
    const tmsize_t line_size = TIFFScanlineSize(tif);
    const int per_line = planes ? 1 : samples;
    if (line_size < (tmsize_t)width * per_line * size) return 1;
    const int used = colors + (alpha ? 1 : 0);
    uint8_t* line = (uint8_t*)CodecAllocWork(out, (uint64_t)line_size * (planes ? used : 1) + (uint64_t)width * 4);
    if (!line) return 1;
    uint32_t* words = (uint32_t*)(line + (size_t)line_size * (planes ? used : 1));
    int code = 0;
    for (int y = 0; y < out->picture_height && !code; y++) {
        for (int p = 0; p < (planes ? used : 1) && !code; p++)
            code = TIFFReadScanline(tif, line + (size_t)p * line_size, (uint32_t)y, (uint16_t)p) < 0;
        if (code || !CodecKeepsRow(out, y)) continue;
        for (int x = 0; x < width; x++) {
            uint32_t channel[4] = {0, 0, 0, 255};
            for (int c = 0; c < used; c++) {
                const uint8_t* at = planes ? line + (size_t)c * line_size + (size_t)x * size
                                           : line + ((size_t)x * samples + c) * size;
                double v;
                if (bits == 32) {
                    float f;
                    memcpy(&f, at, 4);
                    v = f;
                } else {
                    memcpy(&v, at, 8);
                }
                channel[c == colors ? 3 : c] = FloatSample(v);
            }
            if (grey) channel[1] = channel[2] = channel[0];
            words[x] = channel[3] << 24 | channel[0] << 16 | channel[1] << 8 | channel[2];
        }
        CodecPutRow(out, y, words);
    }
    free(line);
    return code;
}

int DecodeDirectory(TIFF* tif, const CodecLimits& limits, DecodedImage* out) {
    uint32_t w = 0, h = 0;
    uint16_t photometric = 0, bits = 1, samples = 1, planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h)) return 1;
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    const bool indexed = photometric == PHOTOMETRIC_PALETTE && samples == 1 && !TIFFIsTiled(tif) &&
                         planar == PLANARCONFIG_CONTIG && (bits == 1 || bits == 2 || bits == 4 || bits == 8);
    const bool grey = photometric == PHOTOMETRIC_MINISBLACK && samples >= 1;
    const bool floating = format == SAMPLEFORMAT_IEEEFP && (bits == 32 || bits == 64) && !TIFFIsTiled(tif) &&
                          (grey || (photometric == PHOTOMETRIC_RGB && samples >= 3));
    if (CodecAllocImage(out, w, h, indexed, limits)) return 1;
    if (indexed) return ReadPaletteImage(tif, bits, out);
    if (floating) return ReadFloatImage(tif, bits, samples, planar == PLANARCONFIG_SEPARATE, grey, out);
    if (photometric == PHOTOMETRIC_PALETTE) RoundColorMapForRgba(tif, bits);
    return ReadRgbaImage(tif, out);
}

}  // namespace

int DecodeTiff(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out) {
    TiffStream s{data, nullptr, size, 0};
    TIFF* tif = OpenStream(&s, "r");
    if (!tif) return 1;
    const int code = DecodeDirectory(tif, limits, out);
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
