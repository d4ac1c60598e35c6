// The reasons of failed loads and saves, found after the failure, and their error boxes. The
// file is opened here without blocking and only a regular file is read further, so asking
// why never waits on a FIFO or a device.
#include "imagewin/file_failures.h"

#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imagewin/image_probe.h"
#include "codec/codec.h"
#include "platform/controls/dialog.h"
#include "platform/text.h"

enum { SNIFF_BYTES = 16, BOX_TEXT_UNITS = 1024 };

static std::string SystemReason(int error) { return strerror(error); }

// The first bytes of a regular file, or the reason there are none.
static bool ReadFileHead(const char* path, uint8_t* head, size_t* size, std::string* why) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *why = SystemReason(errno);
        return false;
    }
    struct stat st;
    bool ok = false;
    if (fstat(fd, &st) != 0) *why = SystemReason(errno);
    else if (S_ISDIR(st.st_mode)) *why = SystemReason(EISDIR);
    else if (!S_ISREG(st.st_mode)) *why = "Not a regular file";
    else if (st.st_size == 0) *why = "The file is empty";
    else ok = true;
    ssize_t n = 0;
    if (ok) n = read(fd, head, SNIFF_BYTES);
    if (ok && n <= 0) {
        *why = n < 0 ? SystemReason(errno) : "The file is empty";
        ok = false;
    }
    close(fd);
    *size = ok ? (size_t)n : 0;
    return ok;
}

std::string LoadFailureReason(const char* path) {
    if (!path || !*path) return "No file name";
    uint8_t head[SNIFF_BYTES];
    size_t size = 0;
    std::string why;
    if (!ReadFileHead(path, head, &size, &why)) return why;
    if (CodecSniff(head, size) == CODEC_UNKNOWN) return "Not a picture of a format PIXKIT reads";
    int width = 0, height = 0;
    if (ProbeImageFileSize(path, &width, &height) == PROBE_OK &&
        (uint64_t)width * (uint64_t)height > CodecDefaultPixelCap())
        return "The picture is too large to load (" + std::to_string(width) + " x " + std::to_string(height) +
               " pixels)";
    return "The picture is damaged or cut short";
}

// Errors of the file system that a failed write leaves; any other number may be left over
// from inside a codec library and says nothing about this save.
static bool IsWriteError(int error) {
    switch (error) {
    case ENOSPC: case EDQUOT: case EFBIG: case EIO: case EROFS: case EACCES: case EPERM: case ENAMETOOLONG:
        return true;
    default:
        return false;
    }
}

std::string SaveFailureReason(const char* path, int saved_errno) {
    if (!path || !*path) return "No file name";
    const char* slash = strrchr(path, '/');
    const std::string folder = !slash ? "." : slash == path ? "/" : std::string(path, (size_t)(slash - path));
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) return SystemReason(errno);
    if (!S_ISDIR(st.st_mode)) return SystemReason(ENOTDIR);
    if (access(folder.c_str(), W_OK | X_OK) != 0) return SystemReason(errno);
    if (stat(path, &st) == 0) {
        if (S_ISDIR(st.st_mode)) return SystemReason(EISDIR);
        if (!S_ISREG(st.st_mode)) return "Not a regular file";
        // A file without any write bit is protected even from root, as the save treats it.
        if ((st.st_mode & 0222) == 0) return SystemReason(EACCES);
        if (access(path, W_OK) != 0) return SystemReason(errno);
    }
    if (IsWriteError(saved_errno)) return SystemReason(saved_errno);
    return "The picture could not be written in this format";
}

static void ShowFailure(WindowId owner, const char16_t* caption, const char* verb, const char* path,
                        const std::string& why) {
    const std::string text = std::string("Can't ") + verb + " \"" + path + "\":\n" + why;
    char16_t wide[BOX_TEXT_UNITS];
    Utf8ToUtf16(text.c_str(), -1, wide, BOX_TEXT_UNITS);
    PlatMessageBox(owner, wide, caption, MBOX_ICONERROR);
}

void ShowLoadFailure(WindowId owner, const char* path) {
    ShowFailure(owner, u"Load image file", "load", path, LoadFailureReason(path));
}

void ShowSaveFailure(WindowId owner, const char* path, int saved_errno) {
    ShowFailure(owner, u"Save as", "save", path, SaveFailureReason(path, saved_errno));
}
