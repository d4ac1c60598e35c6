// Decoding of dropped-file lists (text/uri-list), kept apart from the X protocol code so that
// it can be tested and fuzzed on its own.
#pragma once

#include <stddef.h>
#include <string>
#include <vector>

// Decodes a text/uri-list into local file paths (file: URIs only, percent-decoded); entries of
// other hosts, other schemes, comments and anything that would decode to a NUL are skipped.
std::vector<std::string> ParseUriList(const char* text, size_t size);
