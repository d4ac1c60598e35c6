// Dropped-file lists as other programs send them (text/uri-list): file: URIs of this host,
// percent-decoded into local paths. Everything else in the list is passed over.
#include "uri_list.h"

#include <unistd.h>

static int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

static bool IsLocalHost(const std::string& host) {
    if (host.empty() || host == "localhost") return true;
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 && host == name;
}

std::vector<std::string> ParseUriList(const char* text, size_t size) {
    std::vector<std::string> paths;
    size_t i = 0;
    while (i < size) {
        size_t end = i;
        while (end < size && text[end] != '\n' && text[end] != '\r' && text[end] != '\0') end++;
        std::string line(text + i, end - i);
        i = end + 1;
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line.compare(0, 5, "file:") != 0) continue;
        std::string rest = line.substr(5);
        if (rest.compare(0, 2, "//") == 0) {
            size_t slash = rest.find('/', 2);
            if (slash == std::string::npos) continue;
            if (!IsLocalHost(rest.substr(2, slash - 2))) continue;
            rest = rest.substr(slash);
        }
        if (rest.empty() || rest[0] != '/') continue;
        std::string path;
        bool bad = false;
        for (size_t k = 0; k < rest.size(); k++) {
            if (rest[k] == '%' && k + 2 < rest.size() && HexValue(rest[k + 1]) >= 0 && HexValue(rest[k + 2]) >= 0) {
                char c = (char)(HexValue(rest[k + 1]) * 16 + HexValue(rest[k + 2]));
                if (c == '\0') {
                    bad = true;
                    break;
                }
                path.push_back(c);
                k += 2;
            } else {
                path.push_back(rest[k]);
            }
        }
        if (!bad) paths.push_back(path);
    }
    return paths;
}
