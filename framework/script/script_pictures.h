// Pictures a script saves and compares: pixels as 0x00RRGGBB words, written as PNG through
// the image codec, and a comparison with a PNG file that can write a difference picture.
#pragma once

#include <stdint.h>
#include <string>
#include <vector>

struct ScriptPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;   // rows top first, 0x00RRGGBB
};

// 0 written; 1 the file cannot be written.
int SaveScriptPicture(const std::string& path, const ScriptPicture& picture);
// A copy of image slot's pixels at the image's own size (8-bit images through their colour
// table); false when the slot is free.
bool ImageSlotPicture(int slot, ScriptPicture* out);
// Compares the picture with a PNG file: equal when the sizes match and no channel of any
// pixel differs by more than tolerance. When they differ and diff_path is not empty, writes
// there a picture that is black where the pixels agree and red where they do not. 0 equal;
// 1 with *why set.
int CompareScriptPicture(const ScriptPicture& picture, const std::string& png_path, int tolerance,
                         const std::string& diff_path, std::string* why);
