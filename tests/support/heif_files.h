// HEIC and AVIF files written with libheif's own encoders, for what ImageMagick 6 cannot
// write (it writes 8-bit samples whatever its -depth, and no rotation): 10- and 12-bit
// pictures, pictures with a rotation or mirroring the decoder must apply, and near-lossless
// ones; libheif's decode of a file's stored picture, its transformations ignored; and HEIC
// files whose coded stream states another size than their boxes.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

struct HeifWriting {
    bool avif;            // AV1; otherwise HEVC
    int bits;             // 8, 10 or 12 per sample
    int orientation;      // 1..8 as Exif numbers them, written as rotation and mirroring boxes
    bool lossless;        // 8 bits only: 4:4:4 and lossless coding (the colour conversion still rounds)
};

// Writes a width x height picture of 3 samples per pixel (R, G, B, each below 1 << bits),
// stored as given. False when the encoder refuses.
bool WriteHeifFile(const std::string& path, const HeifWriting& how, int width, int height,
                   const std::vector<uint16_t>& samples);
// libheif's decode of the stored picture: 3 samples per pixel at the file's depth.
std::vector<uint16_t> HeifStoredSamples(const std::string& path, int* width, int* height, int* bits);
// The HEIC file as WriteHeifFile writes it, with the sequence parameter set in its hvcC box
// rewritten to code a width x height picture (the boxes and the item's offset moved to fit):
// what libheif's HEVC decoder allocates for while the ispe box still states the old size.
// Empty for a file laid out otherwise. width and height must be multiples of 8.
std::string HeicWithCodedSize(std::string file, uint32_t width, uint32_t height);
