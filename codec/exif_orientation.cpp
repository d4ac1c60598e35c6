// Reading the Exif orientation: each container is walked by its own block lengths up to the
// block that holds the Exif data, every offset checked against the bytes there are, so a
// damaged or hostile header gives orientation 1 and never a read outside the file.
#include "codec/exif_orientation.h"

#include <string.h>

#include "codec/codec.h"

namespace {

uint32_t Be16(const uint8_t* p) { return (uint32_t)p[0] << 8 | p[1]; }
uint32_t Be32(const uint8_t* p) { return Be16(p) << 16 | Be16(p + 2); }
uint32_t Le16(const uint8_t* p) { return (uint32_t)p[1] << 8 | p[0]; }
uint32_t Le32(const uint8_t* p) { return Le16(p + 2) << 16 | Le16(p); }
uint32_t Le24(const uint8_t* p) { return (uint32_t)p[2] << 16 | Le16(p); }

const uint8_t EXIF_PREFIX[6] = {'E', 'x', 'i', 'f', 0, 0};

bool IsFrameMarker(uint32_t m) { return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC; }

// JPEG: the segments from the start of the file up to the frame header.
void FromJpeg(const uint8_t* d, size_t n, StoredOrientation* out) {
    bool exif_seen = false;
    size_t at = 2;
    while (at + 4 <= n && d[at] == 0xFF) {
        const uint32_t marker = d[at + 1];
        if (marker == 0xFF) {   // a fill byte before a marker
            at++;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {   // markers without a length
            at += 2;
            continue;
        }
        const size_t length = Be16(d + at + 2);
        if (marker == 0xD9 || marker == 0xDA || length < 2 || length > n - at - 2) return;
        const uint8_t* segment = d + at + 4;
        const size_t bytes = length - 2;
        if (marker == 0xE1 && !exif_seen && bytes >= 6 && memcmp(segment, EXIF_PREFIX, 6) == 0) {
            exif_seen = true;   // only the first Exif segment counts, as in every viewer
            out->orientation = ExifOrientation(segment + 6, bytes - 6);
        }
        if (IsFrameMarker(marker)) {
            if (bytes >= 5) {
                out->height = Be16(segment + 1);
                out->width = Be16(segment + 3);
            }
            return;
        }
        at += 2 + length;
    }
}

// PNG: every chunk, by its length; eXIf may stand before or after the image data.
void FromPng(const uint8_t* d, size_t n, StoredOrientation* out) {
    size_t at = 8;
    while (at + 12 <= n) {
        const size_t length = Be32(d + at);
        if (length > n - at - 12) return;
        const uint8_t* type = d + at + 4;
        if (memcmp(type, "IHDR", 4) == 0 && length >= 8) {
            out->width = Be32(d + at + 8);
            out->height = Be32(d + at + 12);
        } else if (memcmp(type, "eXIf", 4) == 0) {
            out->orientation = ExifOrientation(d + at + 8, length);
        } else if (memcmp(type, "IEND", 4) == 0) {
            return;
        }
        at += 12 + length;
    }
}

// WebP: the chunks of the RIFF container. Only the extended format (VP8X, which gives the
// canvas size) carries an EXIF chunk, whose writers sometimes keep the "Exif\0\0" prefix.
void FromWebp(const uint8_t* d, size_t n, StoredOrientation* out) {
    size_t at = 12;
    while (at + 8 <= n) {
        const size_t length = Le32(d + at + 4);
        if (length > n - at - 8) return;
        const uint8_t* body = d + at + 8;
        if (memcmp(d + at, "VP8X", 4) == 0 && length >= 10) {
            out->width = 1 + (int64_t)Le24(body + 4);
            out->height = 1 + (int64_t)Le24(body + 7);
        } else if (memcmp(d + at, "EXIF", 4) == 0) {
            const bool prefixed = length >= 6 && memcmp(body, EXIF_PREFIX, 6) == 0;
            out->orientation = prefixed ? ExifOrientation(body + 6, length - 6) : ExifOrientation(body, length);
        }
        at += 8 + length + (length & 1);
    }
}

}  // namespace

int ExifOrientation(const uint8_t* tiff, size_t size, int64_t* width, int64_t* height) {
    if (size < 8) return 1;
    const bool le = memcmp(tiff, "II*\0", 4) == 0;
    if (!le && memcmp(tiff, "MM\0*", 4) != 0) return 1;
    auto u16 = [le](const uint8_t* p) { return le ? Le16(p) : Be16(p); };
    auto u32 = [le](const uint8_t* p) { return le ? Le32(p) : Be32(p); };
    const size_t directory = u32(tiff + 4);
    if (directory > size - 2) return 1;
    const size_t count = u16(tiff + directory);
    int orientation = 1;
    for (size_t i = 0; i < count && directory + 2 + 12 * (i + 1) <= size; i++) {
        const uint8_t* e = tiff + directory + 2 + 12 * i;
        const uint32_t tag = u16(e), type = u16(e + 2);
        const uint32_t value = type == 3 ? u16(e + 8) : type == 4 ? u32(e + 8) : 0;
        if (tag == 274 && type == 3 && value >= 1 && value <= 8) orientation = (int)value;
        if (tag == 256 && width) *width = value;
        if (tag == 257 && height) *height = value;
    }
    return orientation;
}

StoredOrientation FindStoredOrientation(const uint8_t* data, size_t size) {
    StoredOrientation out;
    switch (CodecSniff(data, size)) {
    case CODEC_JPEG: FromJpeg(data, size, &out); break;
    case CODEC_PNG: FromPng(data, size, &out); break;
    case CODEC_WEBP: FromWebp(data, size, &out); break;
    case CODEC_TIFF: out.orientation = ExifOrientation(data, size, &out.width, &out.height); break;
    default: break;
    }
    // Without the stored size a part of the picture cannot be mapped back: shown as stored.
    if (out.width <= 0 || out.height <= 0) out.orientation = 1;
    return out;
}
