// Photos for the codec benchmark's speed cases: photo-like pixels, files of them as a camera
// or a web server writes them (JPEG at quality 92 with 4:2:0 chroma and an Exif orientation,
// lossy WebP, HEIC, AVIF), and each library's own decode of such a file through its plain
// API, the baseline that our loading is set beside.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// Words 0x00RRGGBB of a width x height picture that decoders find as hard as a photo: smooth
// light, textures of several scales and fine sensor noise.
std::vector<uint32_t> MakeCameraPhoto(int width, int height);

// A camera's JPEG of the pixels as stored, with an Exif block naming orientation (1..8).
bool WriteCameraJpeg(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height,
                     int orientation);
// Lossy WebP at quality 85, as pictures are downloaded from the web.
bool WriteLossyWebp(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height);
// HEIC (HEVC) or AVIF (AV1) at 8 bits through libheif's encoders, at their fastest settings.
bool WriteHeifPhoto(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height, bool avif);

// The libraries alone. Each reads the file and decodes it into 8-bit samples; false on a failure.
// libjpeg-turbo's plain API into a buffer of width x height RGB triplets.
bool LibjpegDecodeRgb(const std::string& path, std::vector<uint8_t>* rgb);
// WebPDecodeRGBA into the library's own buffer, freed at once.
bool LibwebpDecodeRgba(const std::string& path);
// heif_decode_image of the primary image into interleaved RGB.
bool LibheifDecodeRgb(const std::string& path);

// The whole file.
std::vector<uint8_t> ReadWholeFile(const std::string& path);
