// The codec's entry points: the pixel cap, buffers of decoded pictures, decoding behind
// sniffing, encoding by format, and the file side (regular files only on reading; a
// temporary file renamed over the target on writing).
#include "platform/codec/codec.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "platform/codec/codec_bmp.h"
#include "platform/codec/codec_gif.h"
#include "platform/codec/codec_ico.h"
#include "platform/codec/codec_jpeg.h"
#include "platform/codec/codec_png.h"
#include "platform/codec/codec_tiff.h"

uint64_t CodecDefaultPixelCap(void) {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_size <= 0) return 1ull << 30;
    return (uint64_t)pages * (uint64_t)page_size / 4;
}

// Buffers of large pictures are mapped with huge pages allowed: a 12-megapixel photo then
// costs a few dozen page faults instead of twelve thousand, which is most of what a load
// spends beyond the library's own decoding.
static const size_t MAPPED_BUFFER_BYTES = 8u << 20;

void* CodecAllocZeroed(size_t bytes) {
    if (bytes < MAPPED_BUFFER_BYTES) return calloc(bytes, 1);
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    madvise(p, bytes, MADV_HUGEPAGE);
    return p;
}

void CodecFreeZeroed(void* p, size_t bytes) {
    if (!p) return;
    if (bytes < MAPPED_BUFFER_BYTES) free(p);
    else munmap(p, bytes);
}

int CodecAllocImage(DecodedImage* out, int64_t width, int64_t height, bool indexed, uint64_t max_pixels,
                    bool masked) {
    // Every dimension stays below what a 32-bit row of the image store can address.
    if (width < 1 || height < 1 || width > INT32_MAX / 4 || height > INT32_MAX / 4) return 1;
    const uint64_t count = (uint64_t)width * (uint64_t)height;
    if (count > max_pixels || count > SIZE_MAX / 4) return 1;
    out->width = (int)width;
    out->height = (int)height;
    if (indexed) out->indices = (uint8_t*)CodecAllocZeroed(count);
    else out->pixels = (uint32_t*)CodecAllocZeroed(count * 4);
    if (indexed && masked) {
        out->mask = (uint8_t*)CodecAllocZeroed(count);
        if (!out->mask) return 1;
    }
    return out->indices || out->pixels ? 0 : 1;
}

void CodecFreeImage(DecodedImage* image) {
    const size_t count = (size_t)image->width * (size_t)image->height;
    CodecFreeZeroed(image->pixels, count * 4);
    CodecFreeZeroed(image->indices, count);
    CodecFreeZeroed(image->mask, count);
    *image = DecodedImage{};
}

int CodecDecodeBytes(const uint8_t* data, size_t size, uint64_t max_pixels, DecodedImage* out) {
    *out = DecodedImage{};
    if (!data || size == 0) return 1;
    int code = 1;
    switch (CodecSniff(data, size)) {
    case CODEC_BMP: code = DecodeBmpFile(data, size, max_pixels, out); break;
    case CODEC_DIB: code = DecodeDib(data, size, 0, max_pixels, out); break;
    case CODEC_JPEG: code = DecodeJpeg(data, size, max_pixels, out); break;
    case CODEC_GIF: code = DecodeGif(data, size, max_pixels, out); break;
    case CODEC_PNG: code = DecodePng(data, size, max_pixels, out); break;
    case CODEC_TIFF: code = DecodeTiff(data, size, max_pixels, out); break;
    case CODEC_ICO: code = DecodeIco(data, size, max_pixels, out); break;
    case CODEC_UNKNOWN: break;
    }
    if (code) CodecFreeImage(out);
    return code;
}

// The whole of a regular file. Opening without blocking and checking the opened descriptor
// means a FIFO or device fails at once instead of waiting for a writer.
static int ReadRegularFile(const char* path, std::vector<uint8_t>* bytes) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return 1;
    struct stat st;
    // No picture within the cap needs a file much larger than its 32-bit pixels.
    const uint64_t largest = CodecDefaultPixelCap() * 4 + (1u << 20);
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 || (uint64_t)st.st_size > largest) {
        close(fd);
        return 1;
    }
    bytes->resize((size_t)st.st_size);
    size_t done = 0;
    while (done < bytes->size()) {
        const ssize_t n = read(fd, bytes->data() + done, bytes->size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += (size_t)n;
    }
    close(fd);
    bytes->resize(done);
    return done > 0 ? 0 : 1;
}

int CodecDecodeFile(const char* path, DecodedImage* out) {
    *out = DecodedImage{};
    std::vector<uint8_t> bytes;
    if (!path || ReadRegularFile(path, &bytes)) return 1;
    return CodecDecodeBytes(bytes.data(), bytes.size(), CodecDefaultPixelCap(), out);
}

int CodecEncodeBytes(CodecFormat format, const CodecPicture& p, std::vector<uint8_t>* out) {
    out->clear();
    if (p.width < 1 || p.height < 1 || !p.pixels || (p.bits != 8 && p.bits != 32)) return 1;
    if (p.bits == 8 && !p.palette) return 1;
    switch (format) {
    case CODEC_BMP: return EncodeBmpFile(p, out);
    case CODEC_JPEG: return EncodeJpeg(p, out);
    case CODEC_GIF: return EncodeGif(p, out);
    case CODEC_PNG: return EncodePng(p, out);
    case CODEC_TIFF: return EncodeTiff(p, out);
    default: return 1;
    }
}

static int WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 1;
        done += (size_t)n;
    }
    return 0;
}

// A target that exists but may not be written is refused, although the folder would let a
// rename replace it. A file without any write bit counts as protected even for root, whom
// access() lets write everything.
static bool TargetWritable(const char* path) {
    struct stat st;
    if (stat(path, &st) != 0) return errno == ENOENT;
    if (!S_ISREG(st.st_mode)) return false;
    return (st.st_mode & 0222) != 0 && access(path, W_OK) == 0;
}

int CodecEncodeFile(const char* path, CodecFormat format, const CodecPicture& picture) {
    if (!path || !*path || !TargetWritable(path)) return 1;
    std::vector<uint8_t> bytes;
    if (CodecEncodeBytes(format, picture, &bytes)) return 1;
    // The temporary file lies in the target's folder, so that the rename cannot cross file
    // systems, under a short name, so that a target name of full length still works. It
    // takes the umask's mode, or the mode of the file it replaces.
    const char* slash = strrchr(path, '/');
    const std::string folder = slash ? std::string(path, (size_t)(slash - path) + 1) : std::string();
    std::string temp;
    int fd = -1;
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; fd < 0 && attempt < 100; attempt++) {
        temp = folder + ".pixkit-save-" + std::to_string(getpid()) + "-" + std::to_string(serial++);
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return 1;
    }
    if (fd < 0) return 1;
    struct stat st;
    int failed = 0;
    if (stat(path, &st) == 0) failed = fchmod(fd, st.st_mode & 07777) != 0;
    failed |= WriteAll(fd, bytes) || fsync(fd) != 0;
    failed |= close(fd) != 0;
    if (!failed) failed = rename(temp.c_str(), path) != 0;
    if (failed) unlink(temp.c_str());
    return failed ? 1 : 0;
}
