// What tests exchange with other programs (X tools, ImageMagick, xclip, child processes): a
// command's output, and whole files read and written as bytes.
#pragma once

#include <string>

// Runs a shell command and returns what it printed on stdout.
std::string RunCommand(const std::string& command);
// The whole file, or an empty string when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Writes the bytes as the whole file; false when it cannot be written.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
