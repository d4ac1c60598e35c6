// stderr into a temporary file and back (see stderr_capture.h).
#include "stderr_capture.h"

#include "outside_io.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

StderrCapture::StderrCapture() {
    fflush(stderr);
    char pattern[] = "/tmp/pixkit-stderr-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0) return;
    path = pattern;
    saved_fd = dup(2);
    dup2(fd, 2);
    close(fd);
}

StderrCapture::~StderrCapture() {
    if (saved_fd < 0) return;
    fflush(stderr);
    dup2(saved_fd, 2);
    close(saved_fd);
    remove(path.c_str());
}

std::string StderrCapture::Text() {
    fflush(stderr);
    return ReadFileBytes(path);
}

bool StderrCapture::HasBox(const std::string& caption, const std::string& text) {
    const std::string all = Text(), line = caption + ": " + text + "\n";
    for (size_t at = all.find(line); at != std::string::npos; at = all.find(line, at + 1))
        if (at == 0 || all[at - 1] == '\n') return true;
    return false;
}
