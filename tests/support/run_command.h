// Runs a shell command (an X tool, ImageMagick, xclip) and returns what it printed on stdout.
#pragma once

#include <string>

std::string RunCommand(const std::string& command);
