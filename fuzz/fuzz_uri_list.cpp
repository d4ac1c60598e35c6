// Dropped-file lists (text/uri-list from other programs): every path handed on is an
// absolute local path without NUL bytes, whatever the bytes were.
#include "platform/x11/uri_list.h"

#include <stdlib.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> paths = ParseUriList((const char*)data, size);
    for (const std::string& p : paths) {
        if (p.empty() || p[0] != '/') abort();
        if (p.find('\0') != std::string::npos) abort();
    }
    return 0;
}
