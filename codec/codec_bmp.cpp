// BMP and DIB: the Windows bitmap layouts read and written by our own code. Reading covers
// the OS/2 and Windows headers (12 to 124 bytes), 1/4/8/16/24/32 bits, uncompressed, RLE4
// and RLE8 (with delta, end of line and end of bitmap), bit fields, top-down rows and the
// file header's pixel offset. Writing makes 24-bit files of 32-bit pictures and 8-bit files
// with their whole colour table. Every read is bounds-checked against the block's size.
#include "codec/codec_bmp.h"

#include <string.h>

namespace {

enum { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6 };

uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }
uint16_t U16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }

struct DibHeader {
    uint32_t header_size;
    int64_t width;
    int64_t height;       // positive: rows bottom first
    int bits;
    uint32_t compression;
    uint32_t masks[4];    // red, green, blue, alpha
    uint64_t table_entries;
    int entry_size;       // 3 for the OS/2 1.x table, 4 otherwise
    uint64_t table_offset;
};

bool KnownHeaderSize(uint32_t s) {
    return s == 12 || s == 40 || s == 52 || s == 56 || s == 64 || s == 108 || s == 124;
}

int ReadHeader(const uint8_t* d, size_t size, DibHeader* h) {
    if (size < 16) return 1;
    *h = DibHeader{};
    h->header_size = U32(d);
    if (!KnownHeaderSize(h->header_size) || h->header_size > size) return 1;
    h->entry_size = 4;
    if (h->header_size == 12) {
        h->width = U16(d + 4);
        h->height = (int16_t)U16(d + 6);
        if (U16(d + 8) != 1) return 1;
        h->bits = U16(d + 10);
        h->entry_size = 3;
    } else {
        h->width = (int32_t)U32(d + 4);
        h->height = (int32_t)U32(d + 8);
        if (U16(d + 12) != 1) return 1;
        h->bits = U16(d + 14);
        h->compression = U32(d + 16);
        h->table_entries = U32(d + 32);
    }
    h->table_offset = h->header_size;
    if (h->compression == BI_BITFIELDS || h->compression == BI_ALPHABITFIELDS) {
        const int count = h->compression == BI_ALPHABITFIELDS ? 4 : 3;
        if (h->header_size == 40) {
            if (size < 40 + 4u * count) return 1;
            for (int i = 0; i < count; i++) h->masks[i] = U32(d + 40 + 4 * i);
            h->table_offset += 4u * count;
        } else if (h->header_size >= 52) {
            for (int i = 0; i < 3; i++) h->masks[i] = U32(d + 40 + 4 * i);
            if (h->header_size >= 56) h->masks[3] = U32(d + 52);
        } else {
            return 1;
        }
    }
    if (h->bits <= 8 && h->table_entries == 0) h->table_entries = 1ull << h->bits;
    return 0;
}

// One channel of a bit-field pixel: its mask's bits scaled to 0..255.
struct Channel {
    uint32_t mask;
    int shift;
    uint32_t max;
};

Channel MakeChannel(uint32_t mask) {
    Channel c{mask, 0, 0};
    if (!mask) return c;
    while (!(mask & 1)) {
        mask >>= 1;
        c.shift++;
    }
    c.max = mask;
    return c;
}

uint32_t Scale(const Channel& c, uint32_t v) {
    if (!c.max) return 0;
    return (uint32_t)(((uint64_t)((v & c.mask) >> c.shift) * 255 + c.max / 2) / c.max);
}

void ReadPalette(const uint8_t* d, size_t size, const DibHeader& h, DecodedImage* out) {
    const uint64_t entries = h.table_entries > 256 ? 256 : h.table_entries;
    int count = 0;
    for (uint64_t i = 0; i < entries; i++) {
        const uint64_t at = h.table_offset + i * (uint64_t)h.entry_size;
        if (at + 3 > size) break;
        out->palette[i] = (uint32_t)d[at] | (uint32_t)d[at + 1] << 8 | (uint32_t)d[at + 2] << 16;
        count++;
    }
    out->palette_count = count;
}

// Only the kept rows and columns are read: the checks of the block's size already made sure
// every row is there.
int DecodeIndexedRows(const uint8_t* px, uint64_t stride, const DibHeader& h, DecodedImage* out) {
    const int ht = out->picture_height, bits = h.bits, x0 = out->left;
    for (int y = out->top; y < out->top + out->height; y++) {
        const uint8_t* row = px + (uint64_t)(h.height > 0 ? ht - 1 - y : y) * stride;
        uint8_t* dst = CodecKeptRow(out, y);
        if (bits == 8) {
            memcpy(dst, row + x0, (size_t)out->width);
            continue;
        }
        const int per_byte = 8 / bits;
        const uint8_t mask = (uint8_t)((1 << bits) - 1);
        for (int i = 0; i < out->width; i++) {
            const int x = x0 + i;
            const int shift = 8 - bits * (x % per_byte + 1);
            dst[i] = (uint8_t)((row[x / per_byte] >> shift) & mask);
        }
    }
    return 0;
}

int DecodeDirectRows(const uint8_t* px, uint64_t stride, const DibHeader& h, DecodedImage* out) {
    uint32_t m[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
    const bool fields = h.compression == BI_BITFIELDS || h.compression == BI_ALPHABITFIELDS;
    if (!fields) {
        if (h.bits == 16) m[0] = 0x7C00, m[1] = 0x03E0, m[2] = 0x001F, m[3] = 0;
        else m[0] = 0xFF0000, m[1] = 0xFF00, m[2] = 0xFF, m[3] = 0;
    }
    const Channel r = MakeChannel(m[0]), g = MakeChannel(m[1]), b = MakeChannel(m[2]), a = MakeChannel(m[3]);
    const bool plain = h.bits != 16 && m[0] == 0xFF0000 && m[1] == 0xFF00 && m[2] == 0xFF;
    uint32_t alpha_seen = 0;
    const int w = out->width, ht = out->picture_height, x0 = out->left;
    const int bytes = h.bits / 8;
    for (int y = out->top; y < out->top + out->height; y++) {
        const uint8_t* row = px + (uint64_t)(h.height > 0 ? ht - 1 - y : y) * stride + (size_t)x0 * bytes;
        uint32_t* dst = (uint32_t*)CodecKeptRow(out, y);
        if (h.bits == 24 && plain) {   // the common case, in a loop of its own
            for (int x = 0; x < w; x++) dst[x] = row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16;
            continue;
        }
        for (int x = 0; x < w; x++) {
            uint32_t v;
            if (h.bits == 24) v = row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16;
            else if (h.bits == 32) v = U32(row + 4 * x);
            else v = U16(row + 2 * x);
            uint32_t c = plain ? v & 0xFFFFFF : Scale(r, v) << 16 | Scale(g, v) << 8 | Scale(b, v);
            if (a.max) c |= Scale(a, v) << 24;
            dst[x] = c;
        }
    }
    // Many writers leave the alpha of a 32-bit file all zero: such a file is opaque. Every
    // row counts, kept or not, so that the part kept shows as it does in the whole picture.
    for (int y = 0; y < ht && a.max && !alpha_seen; y++) {
        const uint8_t* row = px + (uint64_t)y * stride;
        for (int x = 0; x < out->picture_width && !alpha_seen; x++)
            alpha_seen = Scale(a, h.bits == 32 ? U32(row + 4 * x) : U16(row + 2 * x));
    }
    out->has_alpha = a.max && alpha_seen;
    return 0;
}

// RLE8 and RLE4. Rows run bottom first; pixels the stream skips (delta, early end of line or
// of bitmap) stay unwritten in the mask, so a loader leaves them as they were.
int DecodeRle(const uint8_t* p, size_t n, const DibHeader& h, DecodedImage* out) {
    const int w = out->picture_width, ht = out->picture_height;
    const bool four = h.compression == BI_RLE4;
    int64_t x = 0, y = 0;   // y counts from the bottom row
    size_t i = 0;
    auto put = [&](uint8_t index) {
        if (x < w) CodecPutIndex(out, x, ht - 1 - y, index);
        x++;
    };
    while (y < ht) {
        if (i + 2 > n) return 1;
        const uint8_t count = p[i], value = p[i + 1];
        i += 2;
        if (count) {
            for (int k = 0; k < count; k++) put(four ? (uint8_t)(k & 1 ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) {
            x = 0;
            y++;
        } else if (value == 1) {
            return 0;
        } else if (value == 2) {
            if (i + 2 > n) return 1;
            x += p[i];
            y += p[i + 1];
            i += 2;
        } else {
            const size_t bytes = four ? (value + 1u) / 2 : value;
            if (i + bytes > n) return 1;
            for (int k = 0; k < value; k++)
                put(four ? (uint8_t)(k & 1 ? p[i + k / 2] & 15 : p[i + k / 2] >> 4) : p[i + k]);
            i += (bytes + 1) & ~(size_t)1;
        }
    }
    return 0;
}

}  // namespace

uint64_t DibPixelsEnd(const uint8_t* d, size_t size) {
    DibHeader h;
    if (ReadHeader(d, size, &h) || h.compression == BI_RLE8 || h.compression == BI_RLE4) return 0;
    if (h.width < 1 || h.table_entries > size) return 0;
    const uint64_t stride = ((uint64_t)h.width * h.bits + 31) / 32 * 4;
    const uint64_t rows = (uint64_t)(h.height < 0 ? -h.height : h.height);
    return h.table_offset + h.table_entries * (uint64_t)h.entry_size + stride * rows;
}

bool LooksLikeDib(const uint8_t* d, size_t size) {
    DibHeader h;
    return ReadHeader(d, size, &h) == 0 && h.width > 0 && h.height != 0;
}

int DecodeDib(const uint8_t* d, size_t size, size_t pixel_offset, const CodecLimits& limits, DecodedImage* out) {
    DibHeader h;
    if (ReadHeader(d, size, &h)) return 1;
    const bool rle = h.compression == BI_RLE8 || h.compression == BI_RLE4;
    const bool fields = h.compression == BI_BITFIELDS || h.compression == BI_ALPHABITFIELDS;
    switch (h.bits) {
    case 1: case 4: case 8:
        if (!(h.compression == BI_RGB || (h.compression == BI_RLE8 && h.bits == 8) ||
              (h.compression == BI_RLE4 && h.bits == 4)))
            return 1;
        break;
    case 16: case 32:
        if (h.compression != BI_RGB && !fields) return 1;
        break;
    case 24:
        if (h.compression != BI_RGB) return 1;
        break;
    default:
        return 1;
    }
    if (h.height < 0 && rle) return 1;
    const int64_t height = h.height < 0 ? -h.height : h.height;
    const bool indexed = h.bits <= 8;
    if (CodecAllocImage(out, h.width, height, indexed, limits, rle)) return 1;
    // Colour entries of a direct-colour file are only a display hint; they are skipped.
    const uint64_t table_bytes = h.table_entries * (uint64_t)h.entry_size;
    if (h.table_entries > size) return 1;
    if (indexed) ReadPalette(d, size, h, out);
    const uint64_t start = pixel_offset ? pixel_offset : h.table_offset + table_bytes;
    if (start >= size) return 1;
    const uint8_t* px = d + start;
    const uint64_t available = size - start;
    if (rle) return DecodeRle(px, (size_t)available, h, out);
    const uint64_t stride = ((uint64_t)h.width * h.bits + 31) / 32 * 4;
    // The last row needs only its pixels, not its padding: some writers cut it.
    const uint64_t needed = stride * (uint64_t)(height - 1) + ((uint64_t)h.width * h.bits + 7) / 8;
    if (needed > available) return 1;
    return indexed ? DecodeIndexedRows(px, stride, h, out) : DecodeDirectRows(px, stride, h, out);
}

int DecodeBmpFile(const uint8_t* d, size_t size, const CodecLimits& limits, DecodedImage* out) {
    if (size < 14 + 16 || d[0] != 'B' || d[1] != 'M') return 1;
    const uint32_t offset = U32(d + 10);
    if (offset != 0 && offset < 14 + 12) return 1;
    return DecodeDib(d + 14, size - 14, offset ? offset - 14 : 0, limits, out);
}

namespace {

// Bytes of a vector seen from an offset on.
struct OffsetBytes {
    std::vector<uint8_t>* bytes;
    size_t offset;
    uint8_t& operator[](size_t i) { return (*bytes)[offset + i]; }
};

void Put32(OffsetBytes* v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; i++) (*v)[at + i] = (uint8_t)(x >> (8 * i));
}

// The block of EncodeDib written after prefix bytes left zero (room for the file header).
int EncodeDibAfter(const CodecPicture& p, size_t prefix, std::vector<uint8_t>* whole) {
    const int bits = p.bits == 8 ? 8 : 24;
    const uint64_t stride = ((uint64_t)p.width * bits + 31) / 32 * 4;
    const uint64_t table = bits == 8 ? 1024 : 0;
    const uint64_t total = 40 + table + stride * (uint64_t)p.height;
    if (total + 14 > UINT32_MAX) return 1;
    whole->assign(prefix + (size_t)total, 0);
    OffsetBytes block{whole, prefix};
    OffsetBytes* out = &block;
    Put32(out, 0, 40);
    Put32(out, 4, (uint32_t)p.width);
    Put32(out, 8, (uint32_t)p.height);
    (*out)[12] = 1;
    (*out)[14] = (uint8_t)bits;
    Put32(out, 20, (uint32_t)(stride * p.height));
    Put32(out, 24, 2834);   // 72 dpi
    Put32(out, 28, 2834);
    if (bits == 8)
        for (int i = 0; i < 256; i++) Put32(out, 40 + 4 * i, p.palette[i] & 0xFFFFFF);
    uint8_t* base = whole->data() + prefix + 40 + table;
    for (int y = 0; y < p.height; y++) {
        const uint8_t* src = p.pixels + (size_t)y * p.stride;
        uint8_t* dst = base + (size_t)(p.height - 1 - y) * stride;
        if (bits == 8) {
            memcpy(dst, src, (size_t)p.width);
            continue;
        }
        for (int x = 0; x < p.width; x++) {
            dst[3 * x] = src[4 * x];
            dst[3 * x + 1] = src[4 * x + 1];
            dst[3 * x + 2] = src[4 * x + 2];
        }
    }
    return 0;
}

}  // namespace

int EncodeDib(const CodecPicture& p, std::vector<uint8_t>* out) { return EncodeDibAfter(p, 0, out); }

int EncodeBmpFile(const CodecPicture& p, std::vector<uint8_t>* out) {
    if (EncodeDibAfter(p, 14, out)) return 1;
    OffsetBytes file{out, 0};
    file[0] = 'B';
    file[1] = 'M';
    Put32(&file, 2, (uint32_t)out->size());
    Put32(&file, 10, 14 + 40 + (p.bits == 8 ? 1024 : 0));
    return 0;
}
