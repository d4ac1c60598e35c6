// Pictures for the image-file tests: a reference pattern of distinct colours, files of it
// written by ImageMagick, and ImageMagick's own decoding of a file to compare ours with.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// Colour 0x00RRGGBB of the reference pattern at (x, y).
uint32_t PatternColor(int x, int y);
// A folder of its own under the test's temporary folder, made empty.
std::string FreshFolder(const std::string& name);
// Writes the pattern (or pixels when given, width * height words) as a binary PPM.
bool WritePpm(const std::string& path, int width, int height, const std::vector<uint32_t>* pixels = nullptr);
// ImageMagick's decoding of the file's first frame: words 0xAARRGGBB (alpha 255 when the
// file has none); empty when it cannot read the file.
std::vector<uint32_t> MagickPixels(const std::string& path, int* width, int* height);
// Largest difference of one channel between two colours (top bytes ignored).
int ChannelDistance(uint32_t a, uint32_t b);
