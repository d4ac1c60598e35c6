// The codec's entry points: the pixel cap, buffers of decoded pictures, decoding behind
// sniffing, encoding by format, and the file side (regular files only on reading; a
// temporary file renamed over the target on writing).
#include "codec/codec.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>

#include "codec/codec_bmp.h"
#include "codec/codec_gif.h"
#include "codec/codec_heif.h"
#include "codec/codec_ico.h"
#include "codec/codec_jpeg.h"
#include "codec/codec_png.h"
#include "codec/codec_tiff.h"
#include "codec/codec_webp.h"

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

// The registered reading of the memory that remains; an atomic because a decode on the worker
// may ask while the display thread registers.
static std::atomic<CodecMemoryRoomFn> g_memory_room{nullptr};

void CodecSetMemoryRoom(CodecMemoryRoomFn room) { g_memory_room.store(room); }

CodecLimits CodecDefaultLimits(uint64_t reserved) {
    const CodecMemoryRoomFn read_room = g_memory_room.load();
    const uint64_t room = read_room ? read_room() : UINT64_MAX;
    return CodecLimits{CodecDefaultPixelCap(), room > reserved ? room - reserved : 0, CodecKeep{}};
}

// The kept range [begin, end) of one axis of a picture of size pixels.
static void KeptRange(int64_t from, int64_t to, int64_t size, int* begin, int* end) {
    from = std::max<int64_t>(0, std::min(from, size));
    to = std::max<int64_t>(from, std::min(to, size));
    *begin = (int)from;
    *end = (int)to;
}

int CodecAllocImage(DecodedImage* out, int64_t width, int64_t height, bool indexed, const CodecLimits& limits,
                    bool masked) {
    // Every dimension stays below what a 32-bit row of the image store can address.
    if (width < 1 || height < 1 || width > INT32_MAX / 4 || height > INT32_MAX / 4) return 1;
    if ((uint64_t)width * (uint64_t)height > limits.max_pixels) {
        errno = ENOMEM;   // a picture beyond the cap counts as one too large for memory
        return 1;
    }
    int x0, x1, y0, y1;
    KeptRange(limits.keep.left, limits.keep.right, width, &x0, &x1);
    KeptRange(limits.keep.top, limits.keep.bottom, height, &y0, &y1);
    out->picture_width = (int)width;
    out->picture_height = (int)height;
    out->left = x0;
    out->top = y0;
    out->width = x1 - x0;
    out->height = y1 - y0;
    if (out->width == 0 || out->height == 0) out->width = out->height = 0;
    // Lent rows may be padded to 4 bytes; the count allows for it. A lent buffer needs no mask.
    if (limits.lend) masked = false;
    const uint64_t row = indexed ? ((uint64_t)out->width + 3) / 4 * 4 + (masked ? out->width : 0) : 4ull * out->width;
    const uint64_t kept = row * (uint64_t)out->height;
    if (kept > limits.max_bytes) {
        errno = ENOMEM;
        return 1;
    }
    out->room = limits.max_bytes - kept;
    if (kept == 0) return 0;
    const size_t count = (size_t)out->width * (size_t)out->height;
    uint8_t* buffer = nullptr;
    if (limits.lend) {
        buffer = limits.lend(limits.lend_context, out->width, out->height, indexed, &out->stride);
        out->lent = buffer != nullptr;   // it starts zero, which is what an unwritten pixel shows
    } else {
        buffer = (uint8_t*)CodecAllocZeroed(indexed ? count : count * 4);
        out->stride = indexed ? (size_t)out->width : (size_t)out->width * 4;
    }
    if (!buffer) {
        errno = ENOMEM;
        return 1;
    }
    if (indexed) out->indices = buffer;
    else out->pixels = (uint32_t*)buffer;
    if (masked) {
        out->mask = (uint8_t*)CodecAllocZeroed(count);
        if (!out->mask) {
            errno = ENOMEM;
            return 1;
        }
    }
    return 0;
}

void* CodecAllocWork(DecodedImage* out, uint64_t bytes) {
    if (!CodecRoomFor(out, bytes) || bytes > SIZE_MAX) {
        errno = ENOMEM;
        return nullptr;
    }
    void* p = calloc(bytes ? (size_t)bytes : 1, 1);
    if (p) out->room -= bytes;
    return p;
}

bool CodecRoomFor(const DecodedImage* out, uint64_t bytes) { return bytes <= out->room; }

bool CodecKeepsRow(const DecodedImage* out, int64_t y) {
    return out->width > 0 && y >= out->top && y - out->top < out->height;
}

uint8_t* CodecKeptRow(const DecodedImage* out, int64_t y) {
    uint8_t* base = out->indices ? out->indices : (uint8_t*)out->pixels;
    return base + (size_t)(y - out->top) * out->stride;
}

uint8_t* CodecDirectRow(DecodedImage* out, int64_t y) {
    if (out->width != out->picture_width || !CodecKeepsRow(out, y)) return nullptr;
    return CodecKeptRow(out, y);
}

void CodecPutRow(DecodedImage* out, int64_t y, const void* row) {
    if (!CodecKeepsRow(out, y)) return;
    uint8_t* dst = CodecKeptRow(out, y);
    const size_t unit = out->indices ? 1 : 4;
    const uint8_t* src = (const uint8_t*)row + (size_t)out->left * unit;
    if (src != dst) memcpy(dst, src, (size_t)out->width * unit);
}

void CodecPutPixel(DecodedImage* out, int64_t x, int64_t y, uint32_t word) {
    if (!CodecKeepsRow(out, y) || x < out->left || x - out->left >= out->width || !out->pixels) return;
    ((uint32_t*)CodecKeptRow(out, y))[x - out->left] = word;
}

void CodecPutIndex(DecodedImage* out, int64_t x, int64_t y, uint8_t index) {
    if (!CodecKeepsRow(out, y) || x < out->left || x - out->left >= out->width || !out->indices) return;
    // A lent buffer reads zero already: writing a zero would only make its page resident.
    if (out->lent && index == 0) return;
    CodecKeptRow(out, y)[x - out->left] = index;
    if (out->mask) out->mask[(size_t)(y - out->top) * out->width + (size_t)(x - out->left)] = 1;
}

void CodecFreeImage(DecodedImage* image) {
    const size_t count = (size_t)image->width * (size_t)image->height;
    if (!image->lent) {
        CodecFreeZeroed(image->pixels, count * 4);
        CodecFreeZeroed(image->indices, count);
    }
    CodecFreeZeroed(image->mask, count);
    *image = DecodedImage{};
}

int CodecDecodeStored(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out) {
    *out = DecodedImage{};
    if (!data || size == 0) {
        errno = EINVAL;
        return 1;
    }
    errno = 0;
    int code = 1;
    switch (CodecSniff(data, size)) {
    case CODEC_BMP: code = DecodeBmpFile(data, size, limits, out); break;
    case CODEC_DIB: code = DecodeDib(data, size, 0, limits, out); break;
    case CODEC_JPEG: code = DecodeJpeg(data, size, limits, out); break;
    case CODEC_GIF: code = DecodeGif(data, size, limits, out); break;
    case CODEC_PNG: code = DecodePng(data, size, limits, out); break;
    case CODEC_TIFF: code = DecodeTiff(data, size, limits, out); break;
    case CODEC_ICO: code = DecodeIco(data, size, limits, out); break;
    case CODEC_WEBP: code = DecodeWebp(data, size, limits, out); break;
    case CODEC_HEIF: code = DecodeHeif(data, size, limits, out); break;
    case CODEC_UNKNOWN: break;
    }
    if (code) {
        // Only a refusal for memory keeps its reason; whatever a library left in errno
        // while failing on the content says nothing about the file.
        const int reason = errno == ENOMEM ? ENOMEM : EINVAL;
        CodecFreeImage(out);
        errno = reason;
    }
    return code;
}

int CodecDecodeBytes(const uint8_t* data, size_t size, uint64_t max_pixels, DecodedImage* out) {
    CodecLimits limits = CodecDefaultLimits();
    limits.max_pixels = max_pixels;
    return CodecDecodeBytes(data, size, limits, out);
}

// The whole of a regular file. Opening without blocking and checking the opened descriptor
// means a FIFO or device fails at once instead of waiting for a writer.
static int ReadRegularFile(const char* path, uint64_t max_bytes, std::vector<uint8_t>* bytes) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return 1;
    struct stat st;
    // No picture within the cap needs a file much larger than its 32-bit pixels.
    const uint64_t largest = CodecDefaultPixelCap() * 4 + (1u << 20);
    int reason = 0;
    if (fstat(fd, &st) != 0) reason = errno;
    else if (S_ISDIR(st.st_mode)) reason = EISDIR;
    else if (!S_ISREG(st.st_mode) || st.st_size <= 0 || (uint64_t)st.st_size > largest) reason = EINVAL;
    else if ((uint64_t)st.st_size > max_bytes) reason = ENOMEM;   // the file's bytes are held too
    if (reason) {
        close(fd);
        errno = reason;
        return 1;
    }
    bytes->resize((size_t)st.st_size);
    errno = 0;
    size_t done = 0;
    while (done < bytes->size()) {
        const ssize_t n = read(fd, bytes->data() + done, bytes->size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += (size_t)n;
    }
    const int read_reason = done > 0 ? 0 : errno ? errno : EINVAL;
    close(fd);
    bytes->resize(done);
    errno = read_reason;
    return done > 0 ? 0 : 1;
}

int CodecDecodeFile(const char* path, const CodecLimits& limits, DecodedImage* out) {
    *out = DecodedImage{};
    std::vector<uint8_t> bytes;
    if (!path) {
        errno = ENOENT;
        return 1;
    }
    if (ReadRegularFile(path, limits.max_bytes, &bytes)) return 1;
    CodecLimits rest = limits;
    rest.max_bytes -= bytes.size();
    return CodecDecodeBytes(bytes.data(), bytes.size(), rest, out);
}

int CodecDecodeFile(const char* path, DecodedImage* out) { return CodecDecodeFile(path, CodecDefaultLimits(), out); }

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
    case CODEC_WEBP: return EncodeWebp(p, out);
    default: return 1;
    }
}

static int WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    errno = 0;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = ENOSPC;
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
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    if ((st.st_mode & 0222) != 0 && access(path, W_OK) == 0) return true;
    errno = EACCES;
    return false;
}

// A write past the file-size limit (ulimit -f) raises SIGXFSZ, whose default action ends the
// process; ignored, the write fails with EFBIG and the save fails like one on a full disk.
// Only the default action is replaced: a handler the program installed stays.
static void IgnoreFileSizeSignal(void) {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction old;
        if (sigaction(SIGXFSZ, nullptr, &old) == 0 && !(old.sa_flags & SA_SIGINFO) && old.sa_handler == SIG_DFL)
            signal(SIGXFSZ, SIG_IGN);
    });
}

static const char SAVE_PREFIX[] = ".pixkit-save-";

// The process id in the name of a save's temporary file (".pixkit-save-<pid>-<n>"), or 0.
static pid_t SaverOf(const char* name) {
    if (strncmp(name, SAVE_PREFIX, sizeof SAVE_PREFIX - 1) != 0) return 0;
    char* end = nullptr;
    const char* digits = name + sizeof SAVE_PREFIX - 1;
    const long pid = strtol(digits, &end, 10);
    if (end == digits || *end != '-' || pid <= 0 || pid > INT32_MAX) return 0;
    const char* serial = end + 1;
    if (!*serial || strspn(serial, "0123456789") != strlen(serial)) return 0;
    return (pid_t)pid;
}

// Temporary files that saves of processes no longer alive left in the folder (killed between
// creating and renaming them) are removed; those of live processes may still become files.
static void RemoveStaleTemporaries(const std::string& folder) {
    const int saved_errno = errno;
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir) {
        while (struct dirent* e = readdir(dir)) {
            const pid_t pid = SaverOf(e->d_name);
            if (pid && pid != getpid() && kill(pid, 0) != 0 && errno == ESRCH)
                unlinkat(dirfd(dir), e->d_name, 0);
        }
        closedir(dir);
    }
    errno = saved_errno;
}

int CodecEncodeFile(const char* path, CodecFormat format, const CodecPicture& picture) {
    if (!path || !*path) {
        errno = ENOENT;
        return 1;
    }
    if (!TargetWritable(path)) return 1;
    std::vector<uint8_t> bytes;
    if (CodecEncodeBytes(format, picture, &bytes)) {
        errno = EFBIG;   // the encoders refuse only sizes beyond their format
        return 1;
    }
    IgnoreFileSizeSignal();
    // The temporary file lies in the target's folder, so that the rename cannot cross file
    // systems, under a short name, so that a target name of full length still works. It
    // takes the umask's mode, or the mode of the file it replaces.
    const char* slash = strrchr(path, '/');
    const std::string folder = slash ? std::string(path, (size_t)(slash - path) + 1) : std::string();
    RemoveStaleTemporaries(folder);
    std::string temp;
    int fd = -1;
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; fd < 0 && attempt < 100; attempt++) {
        temp = folder + SAVE_PREFIX + std::to_string(getpid()) + "-" + std::to_string(serial++);
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return 1;
    }
    if (fd < 0) return 1;
    struct stat st;
    int failed = 0;
    if (stat(path, &st) == 0) failed = fchmod(fd, st.st_mode & 07777) != 0;
    failed = failed || WriteAll(fd, bytes) || fsync(fd) != 0;
    int reason = failed ? errno : 0;
    if (close(fd) != 0 && !failed) failed = 1, reason = errno;
    if (!failed && rename(temp.c_str(), path) != 0) failed = 1, reason = errno;
    if (failed) {
        unlink(temp.c_str());
        errno = reason;   // the system's reason, for a caller that names it
    }
    return failed ? 1 : 0;
}
