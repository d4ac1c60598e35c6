// GIF through giflib, read record by record so that only the first frame is decoded and no
// later frame is held in memory. The frame is placed on the logical screen and clipped to it;
// screen pixels it leaves uncovered and its transparent pixels are marked unwritten.
// Saving writes GIF89a: pictures of at most 256 colours get an exact table, others giflib's
// median-cut table without dithering.
#include "codec/codec_gif.h"

#include <stdlib.h>
#include <string.h>

#include <gif_lib.h>

namespace {

struct GifSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

int ReadGifBytes(GifFileType* gif, GifByteType* dst, int n) {
    GifSource* src = (GifSource*)gif->UserData;
    if (n < 0) return 0;
    size_t take = (size_t)n;
    if (take > src->size - src->pos) take = src->size - src->pos;
    memcpy(dst, src->data + src->pos, take);
    src->pos += take;
    return (int)take;
}

int WriteGifBytes(GifFileType* gif, const GifByteType* data, int n) {
    std::vector<uint8_t>* out = (std::vector<uint8_t>*)gif->UserData;
    out->insert(out->end(), data, data + n);
    return n;
}

// Transparent index of a graphic control extension, or -1; the extension is read whole.
int ReadExtension(GifFileType* gif, int* transparent) {
    int code = 0;
    GifByteType* ext = nullptr;
    if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) return 1;
    if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
        GraphicsControlBlock gcb;
        if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK) *transparent = gcb.TransparentColor;
    }
    while (ext)
        if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) return 1;
    return 0;
}

// The first frame's rows onto the screen (interlaced rows come in four passes).
int ReadFrame(GifFileType* gif, int transparent, DecodedImage* out) {
    const GifImageDesc& d = gif->Image;
    if (d.Width <= 0 || d.Height <= 0) return 1;
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    if (map && map->Colors) {
        const int count = map->ColorCount > 256 ? 256 : map->ColorCount;
        for (int i = 0; i < count; i++)
            out->palette[i] = (uint32_t)map->Colors[i].Red << 16 | (uint32_t)map->Colors[i].Green << 8 | map->Colors[i].Blue;
        out->palette_count = count;
    }
    std::vector<uint8_t> line((size_t)d.Width);
    static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    const int passes = d.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; pass++) {
        for (int r = d.Interlace ? start[pass] : 0; r < d.Height; r += d.Interlace ? step[pass] : 1) {
            if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR) return 1;
            const int64_t y = (int64_t)d.Top + r;
            if (!CodecKeepsRow(out, y)) continue;
            for (int x = 0; x < d.Width; x++)
                if (line[x] != transparent) CodecPutIndex(out, (int64_t)d.Left + x, y, line[x]);
        }
    }
    return 0;
}

int DecodeRecords(GifFileType* gif, const CodecLimits& limits, DecodedImage* out) {
    int transparent = -1;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return 1;
        if (type == EXTENSION_RECORD_TYPE) {
            if (ReadExtension(gif, &transparent)) return 1;
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) == GIF_ERROR) return 1;
            const int64_t w = gif->SWidth > 0 ? gif->SWidth : gif->Image.Width;
            const int64_t h = gif->SHeight > 0 ? gif->SHeight : gif->Image.Height;
            if (CodecAllocImage(out, w, h, true, limits, true)) return 1;
            return ReadFrame(gif, transparent, out);
        } else {
            return 1;   // the end came before any frame
        }
    }
}

// The exact table of a picture of at most 256 colours, and its indices; 1 when it has more.
struct ColorTable {
    uint32_t keys[1024];   // colour + 1; 0 empty
    uint8_t index[1024];
    GifColorType colors[256];
    int count;
};

int Lookup(ColorTable* t, uint32_t c, bool add) {
    uint32_t slot = (c * 2654435761u) >> 22;
    for (;; slot = (slot + 1) & 1023) {
        if (t->keys[slot] == c + 1) return t->index[slot];
        if (t->keys[slot]) continue;
        if (!add || t->count == 256) return -1;
        t->keys[slot] = c + 1;
        t->index[slot] = (uint8_t)t->count;
        t->colors[t->count] = GifColorType{(GifByteType)(c >> 16), (GifByteType)(c >> 8), (GifByteType)c};
        return t->count++;
    }
}

int ExactIndices(const CodecPicture& p, ColorTable* t, std::vector<uint8_t>* indices) {
    for (int y = 0; y < p.height; y++) {
        const uint32_t* row = (const uint32_t*)(p.pixels + (size_t)y * p.stride);
        uint8_t* dst = indices->data() + (size_t)y * p.width;
        for (int x = 0; x < p.width; x++) {
            const int i = Lookup(t, row[x] & 0xFFFFFF, true);
            if (i < 0) return 1;
            dst[x] = (uint8_t)i;
        }
    }
    return 0;
}

int QuantizedIndices(const CodecPicture& p, ColorTable* t, std::vector<uint8_t>* indices) {
    const size_t n = (size_t)p.width * p.height;
    std::vector<GifByteType> r(n), g(n), b(n);
    for (int y = 0; y < p.height; y++) {
        const uint32_t* row = (const uint32_t*)(p.pixels + (size_t)y * p.stride);
        for (int x = 0; x < p.width; x++) {
            const size_t i = (size_t)y * p.width + x;
            r[i] = (GifByteType)(row[x] >> 16), g[i] = (GifByteType)(row[x] >> 8), b[i] = (GifByteType)row[x];
        }
    }
    int size = 256;
    if (GifQuantizeBuffer((unsigned)p.width, (unsigned)p.height, &size, r.data(), g.data(), b.data(),
                          indices->data(), t->colors) == GIF_ERROR)
        return 1;
    t->count = size;
    return 0;
}

int WriteGif(const CodecPicture& p, const GifColorType* colors, int count, const uint8_t* indices,
             size_t stride, std::vector<uint8_t>* out) {
    int error = 0;
    GifFileType* gif = EGifOpen(out, WriteGifBytes, &error);
    if (!gif) return 1;
    int size = 2;
    while (size < count) size *= 2;
    ColorMapObject* map = GifMakeMapObject(size, nullptr);
    int failed = !map;
    if (map) {
        memset(map->Colors, 0, sizeof(GifColorType) * size);
        memcpy(map->Colors, colors, sizeof(GifColorType) * count);
        EGifSetGifVersion(gif, true);
        failed = EGifPutScreenDesc(gif, p.width, p.height, 8, 0, map) == GIF_ERROR ||
                 EGifPutImageDesc(gif, 0, 0, p.width, p.height, false, nullptr) == GIF_ERROR;
        for (int y = 0; y < p.height && !failed; y++)
            failed = EGifPutLine(gif, (GifPixelType*)(indices + (size_t)y * stride), p.width) == GIF_ERROR;
        GifFreeMapObject(map);
    }
    if (EGifCloseFile(gif, &error) == GIF_ERROR) failed = 1;
    return failed;
}

}  // namespace

int DecodeGif(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out) {
    GifSource src{data, size, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&src, ReadGifBytes, &error);
    if (!gif) return 1;
    const int code = DecodeRecords(gif, limits, out);
    DGifCloseFile(gif, &error);
    return code;
}

int EncodeGif(const CodecPicture& p, std::vector<uint8_t>* out) {
    if (p.width > 65535 || p.height > 65535) return 1;
    if (p.bits == 8) {
        GifColorType colors[256];
        for (int i = 0; i < 256; i++)
            colors[i] = GifColorType{(GifByteType)(p.palette[i] >> 16), (GifByteType)(p.palette[i] >> 8), (GifByteType)p.palette[i]};
        return WriteGif(p, colors, 256, p.pixels, (size_t)p.stride, out);
    }
    ColorTable* table = (ColorTable*)calloc(1, sizeof(ColorTable));
    if (!table) return 1;
    std::vector<uint8_t> indices((size_t)p.width * p.height);
    int code = 0;
    if (ExactIndices(p, table, &indices)) {
        table->count = 0;
        code = QuantizedIndices(p, table, &indices);
    }
    if (!code) code = WriteGif(p, table->colors, table->count, indices.data(), (size_t)p.width, out);
    free(table);
    return code;
}
