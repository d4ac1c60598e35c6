// Header readers for the picture formats a drop may carry. Each reads only the few bytes that
// hold the size, seeking where the format points (a TIFF directory may follow the pixels, a
// JPEG frame header may follow large metadata blocks), so a drop of big pictures stays quick.
#include "image_probe.h"

#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <string>

#include "codec/codec_heif.h"
#include "codec/exif_orientation.h"

// Random access to the bytes of a file or of a memory block.
struct ProbeSource {
    FILE* file;
    const unsigned char* bytes;
    long size;
};

static bool ReadAt(const ProbeSource& s, long offset, unsigned char* out, int n) {
    if (offset < 0 || n < 0) return false;
    if (!s.file) {
        if (offset > s.size || s.size - offset < n) return false;
        memcpy(out, s.bytes + offset, (size_t)n);
        return true;
    }
    if (fseeko(s.file, (off_t)offset, SEEK_SET) != 0) return false;
    return fread(out, 1, (size_t)n, s.file) == (size_t)n;
}

static uint32_t Be16(const unsigned char* p) { return (uint32_t)p[0] << 8 | p[1]; }
static uint32_t Be32(const unsigned char* p) { return Be16(p) << 16 | Be16(p + 2); }
static uint32_t Le16(const unsigned char* p) { return (uint32_t)p[1] << 8 | p[0]; }
static uint32_t Le32(const unsigned char* p) { return Le16(p + 2) << 16 | Le16(p); }

// Sizes above this are not pictures any loader makes an image of; they count as damage.
static const uint32_t MAX_SIDE = 0x7FFFFFFF;

static int Store(uint32_t w, uint32_t h, int* width, int* height) {
    if (w == 0 || h == 0) return PROBE_NO_SIZE;
    if (w > MAX_SIDE || h > MAX_SIDE) return PROBE_UNKNOWN;
    *width = (int)w;
    *height = (int)h;
    return PROBE_OK;
}

// PNG: the IHDR chunk follows the signature.
static int ProbePng(const ProbeSource& s, int* width, int* height) {
    unsigned char h[24];
    if (!ReadAt(s, 0, h, 24) || memcmp(h + 12, "IHDR", 4) != 0) return PROBE_UNKNOWN;
    return Store(Be32(h + 16), Be32(h + 20), width, height);
}

// GIF: the logical screen size, which every frame is drawn into.
static int ProbeGif(const ProbeSource& s, int* width, int* height) {
    unsigned char h[10];
    if (!ReadAt(s, 0, h, 10)) return PROBE_UNKNOWN;
    return Store(Le16(h + 6), Le16(h + 8), width, height);
}

// BMP: the info header's width and height (negative height: rows stored top-down); the old
// 12-byte core header holds 16-bit sizes.
static int ProbeBmp(const ProbeSource& s, int* width, int* height) {
    unsigned char h[26];
    if (!ReadAt(s, 0, h, 26)) return PROBE_UNKNOWN;
    uint32_t header = Le32(h + 14);
    if (header == 12) return Store(Le16(h + 18), Le16(h + 20), width, height);
    if (header < 16) return PROBE_UNKNOWN;
    int32_t w = (int32_t)Le32(h + 18), ht = (int32_t)Le32(h + 22);
    if (w < 0 || ht == INT32_MIN) return PROBE_UNKNOWN;
    return Store((uint32_t)w, (uint32_t)(ht < 0 ? -ht : ht), width, height);
}

// ICO: the largest picture of the directory (a width or height byte of 0 means 256).
static int ProbeIco(const ProbeSource& s, int* width, int* height) {
    unsigned char h[6];
    if (!ReadAt(s, 0, h, 6)) return PROBE_UNKNOWN;
    int count = (int)Le16(h + 4);
    uint32_t best_w = 0, best_h = 0;
    for (int i = 0; i < count; i++) {
        unsigned char e[16];
        if (!ReadAt(s, 6 + 16L * i, e, 16)) return PROBE_UNKNOWN;
        uint32_t w = e[0] ? e[0] : 256, ht = e[1] ? e[1] : 256;
        if (w * ht > best_w * best_h) {
            best_w = w;
            best_h = ht;
        }
    }
    return Store(best_w, best_h, width, height);
}

// TIFF: tags 256 (width) and 257 (height) of the first directory, SHORT or LONG, in the byte
// order the header names.
static int ProbeTiff(const ProbeSource& s, int* width, int* height, bool* indexed) {
    unsigned char h[8];
    if (!ReadAt(s, 0, h, 8)) return PROBE_UNKNOWN;
    bool le = h[0] == 'I';
    auto u16 = [le](const unsigned char* p) { return le ? Le16(p) : Be16(p); };
    auto u32 = [le](const unsigned char* p) { return le ? Le32(p) : Be32(p); };
    long dir = (long)u32(h + 4);
    unsigned char c[2];
    if (!ReadAt(s, dir, c, 2)) return PROBE_UNKNOWN;
    uint32_t w = 0, ht = 0, bits = 1, photometric = 0, samples = 1, planar = 1;
    bool tiled = false;
    for (uint32_t i = 0, n = u16(c); i < n; i++) {
        unsigned char e[12];
        if (!ReadAt(s, dir + 2 + 12L * (long)i, e, 12)) return PROBE_UNKNOWN;
        uint32_t tag = u16(e), type = u16(e + 2);
        uint32_t value = type == 3 ? u16(e + 8) : type == 4 ? u32(e + 8) : 0;
        if (tag == 256) w = value;
        if (tag == 257) ht = value;
        if (tag == 258) bits = value;
        if (tag == 262) photometric = value;
        if (tag == 277) samples = value;
        if (tag == 284) planar = value;
        if (tag == 322) tiled = true;
    }
    // The layouts the decoder reads as colour-table indices.
    *indexed = photometric == 3 && samples == 1 && planar == 1 && !tiled && (bits == 1 || bits == 2 || bits == 4 || bits == 8);
    return Store(w, ht, width, height);
}

// WebP: the canvas of the extended layout, or the frame header of a lossy or lossless one.
static int ProbeWebp(const ProbeSource& s, int* width, int* height) {
    unsigned char h[30];
    if (!ReadAt(s, 0, h, 30)) return PROBE_UNKNOWN;
    if (memcmp(h + 12, "VP8X", 4) == 0)
        return Store(1 + (Le16(h + 24) | (uint32_t)h[26] << 16), 1 + (Le16(h + 27) | (uint32_t)h[29] << 16), width,
                     height);
    if (memcmp(h + 12, "VP8L", 4) == 0 && h[20] == 0x2F) {
        const uint32_t bits = Le32(h + 21);
        return Store(1 + (bits & 0x3FFF), 1 + (bits >> 14 & 0x3FFF), width, height);
    }
    if (memcmp(h + 12, "VP8 ", 4) == 0 && h[23] == 0x9D && h[24] == 0x01 && h[25] == 0x2A)
        return Store(Le16(h + 26) & 0x3FFF, Le16(h + 28) & 0x3FFF, width, height);
    return PROBE_UNKNOWN;
}

// The orientation of a file may stand anywhere in it (a TIFF's directory or a WebP's EXIF
// chunk after the pixels), so the file is read whole, as the loader reads it next; files
// larger than any photo are taken as stored.
static const long ORIENTATION_READ_LIMIT = 256L << 20;

// HEIC and AVIF: the primary image's size after its transformations, which libheif reads from
// the file's boxes. They may stand after the coded data, so a file is read whole.
static int ProbeHeif(const ProbeSource& s, int* width, int* height) {
    std::string bytes;
    const unsigned char* data = s.bytes;
    size_t size = s.bytes ? (size_t)s.size : 0;
    if (s.file) {
        if (fseeko(s.file, 0, SEEK_END) != 0) return PROBE_UNKNOWN;
        const off_t length = ftello(s.file);
        if (length <= 0 || length > ORIENTATION_READ_LIMIT) return PROBE_UNKNOWN;
        bytes.resize((size_t)length);
        if (!ReadAt(s, 0, (unsigned char*)&bytes[0], (int)length)) return PROBE_UNKNOWN;
        data = (const unsigned char*)bytes.data();
        size = bytes.size();
    }
    int w = 0, h = 0;
    if (HeifShownSize(data, size, &w, &h) != 0 || w < 0 || h < 0) return PROBE_UNKNOWN;
    return Store((uint32_t)w, (uint32_t)h, width, height);
}

// A start-of-frame marker of any coding: C0..CF except C4 (tables), C8 (reserved), CC (tables).
static bool IsFrameMarker(int m) { return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC; }

// JPEG: the segments are walked from the start until the frame header.
static int ProbeJpeg(const ProbeSource& s, int* width, int* height) {
    long at = 2;
    for (;;) {
        unsigned char m[4];
        if (!ReadAt(s, at, m, 2)) return PROBE_UNKNOWN;
        if (m[0] != 0xFF) return PROBE_UNKNOWN;
        if (m[1] == 0xFF) {   // fill byte before a marker
            at++;
            continue;
        }
        // Markers without a length: TEM and the restart markers.
        if (m[1] == 0x01 || (m[1] >= 0xD0 && m[1] <= 0xD7)) {
            at += 2;
            continue;
        }
        if (m[1] == 0xD9 || m[1] == 0xDA) return PROBE_UNKNOWN;   // no frame header before the data
        if (!ReadAt(s, at + 2, m + 2, 2)) return PROBE_UNKNOWN;
        uint32_t length = Be16(m + 2);
        if (length < 2) return PROBE_UNKNOWN;
        if (IsFrameMarker(m[1])) {
            unsigned char f[5];
            if (!ReadAt(s, at + 4, f, 5)) return PROBE_UNKNOWN;
            return Store(Be16(f + 3), Be16(f + 1), width, height);
        }
        at += 2 + (long)length;
    }
}

// Whether the picture comes with a colour table its pixels index: palette PNG, GIF with a
// global table, BMP of at most 8 bits, palette TIFF of the layouts read as indices.
static int Probe(const ProbeSource& s, int* width, int* height, bool* indexed) {
    *width = 0;
    *height = 0;
    *indexed = false;
    unsigned char head[30] = {0};
    ReadAt(s, 0, head, 30);
    unsigned char sig[8] = {0};
    if (!ReadAt(s, 0, sig, 4)) return PROBE_UNKNOWN;
    ReadAt(s, 0, sig, 8);
    static const unsigned char PNG[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (memcmp(sig, PNG, 8) == 0) {
        *indexed = head[25] == 3;
        return ProbePng(s, width, height);
    }
    if (sig[0] == 0xFF && sig[1] == 0xD8 && sig[2] == 0xFF) return ProbeJpeg(s, width, height);
    if (memcmp(sig, "GIF87a", 6) == 0 || memcmp(sig, "GIF89a", 6) == 0) {
        *indexed = (head[10] & 0x80) != 0;
        return ProbeGif(s, width, height);
    }
    if (memcmp(sig, "II*\0", 4) == 0 || memcmp(sig, "MM\0*", 4) == 0) return ProbeTiff(s, width, height, indexed);
    if (memcmp(sig, "RIFF", 4) == 0) return ProbeWebp(s, width, height);
    if (sig[0] == 'B' && sig[1] == 'M') {
        *indexed = Le16(head + (Le32(head + 14) == 12 ? 24 : 28)) <= 8;
        return ProbeBmp(s, width, height);
    }
    if (sig[0] == 0 && sig[1] == 0 && sig[2] == 1 && sig[3] == 0) return ProbeIco(s, width, height);
    if (LooksLikeHeif(head, sizeof head)) return ProbeHeif(s, width, height);
    return PROBE_UNKNOWN;
}

// Pictures to be turned a quarter (Exif orientations 5 to 8) are shown with width and height
// swapped.
static void Orient(const unsigned char* bytes, size_t size, int* width, int* height) {
    const StoredOrientation o = FindStoredOrientation(bytes, size);
    if (o.orientation < 5 || o.width != *width || o.height != *height) return;
    const int w = *width;
    *width = *height;
    *height = w;
}

int ProbeImageSize(const unsigned char* bytes, long size, int* width, int* height) {
    ProbeSource s{nullptr, bytes, size};
    bool indexed = false;
    const int rc = Probe(s, width, height, &indexed);
    if (rc == PROBE_OK) Orient(bytes, (size_t)size, width, height);
    return rc;
}

static void OrientFile(FILE* f, long size, int* width, int* height) {
    if (size <= 0 || size > ORIENTATION_READ_LIMIT || fseeko(f, 0, SEEK_SET) != 0) return;
    std::string bytes((size_t)size, '\0');
    const size_t got = fread(&bytes[0], 1, bytes.size(), f);
    Orient((const unsigned char*)bytes.data(), got, width, height);
}

int ProbeImageFileSize(const char* path, int* width, int* height) {
    bool indexed = false;
    return ProbeImageFileInfo(path, width, height, &indexed);
}

int ProbeImageFileInfo(const char* path, int* width, int* height, bool* indexed) {
    *indexed = false;
    *width = 0;
    *height = 0;
    // Opened as the loader opens: without blocking, so that a FIFO nobody writes cannot hold
    // the main thread, and then only a regular file is read (a device could be endless).
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return PROBE_UNREADABLE;
    struct stat st;
    FILE* f = nullptr;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) f = fdopen(fd, "rb");
    if (!f) {
        close(fd);
        return PROBE_UNREADABLE;
    }
    ProbeSource s{f, nullptr, 0};
    int rc = Probe(s, width, height, indexed);
    if (rc == PROBE_OK) OrientFile(f, (long)st.st_size, width, height);
    fclose(f);
    if (rc != PROBE_OK) {
        *width = 0;
        *height = 0;
        *indexed = false;
    }
    return rc;
}
