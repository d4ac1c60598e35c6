// Pictures for the image-file tests: a reference pattern of distinct colours, files of it
// written by ImageMagick, and ImageMagick's own decoding of a file to compare ours with; and
// hand-made files no ordinary writer makes (decompression bombs, TIFF layouts, cut JPEGs).
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// Colour 0x00RRGGBB of the reference pattern at (x, y), and width x height of it, rows packed.
uint32_t PatternColor(int x, int y);
std::vector<uint32_t> PatternPixels(int width, int height);
// A folder of its own under the test's temporary folder, made empty.
std::string FreshFolder(const std::string& name);
// Writes the pattern (or pixels when given, width * height words) as a binary PPM.
bool WritePpm(const std::string& path, int width, int height, const std::vector<uint32_t>* pixels = nullptr);
// ImageMagick's decoding of the file's first frame: words 0xAARRGGBB (alpha 255 when the
// file has none); empty when it cannot read the file. With rounded set, its 16-bit values are
// rounded to 8 bits here: its own "-depth 8" drops the fraction of colour maps and
// floating-point samples (IM 6.9), where its colour-map listing and plain output round.
std::vector<uint32_t> MagickPixels(const std::string& path, int* width, int* height, bool rounded = false);
// Largest difference of one channel between two colours (top bytes ignored).
int ChannelDistance(uint32_t a, uint32_t b);
// Where pixel (x, y) of the shown picture lies in a picture stored width x height that carries
// an Exif orientation (1..8): the photo viewers' placement, written out case by case.
void ShownToStored(int orientation, int width, int height, int x, int y, int* stored_x, int* stored_y);

// An 8-bit grey PNG of width x height zeros: a few hundred kilobytes that inflate to
// (width + 1) x height bytes.
std::string PngOfZeros(int width, int height);

// A GIF of one pixel on a logical screen of 65535 x 65535.
std::string GifOfHugeScreen(void);

// One entry of a TIFF directory: SHORT (3) or LONG (4) values.
struct TiffTag {
    uint16_t tag;
    uint16_t type;
    std::vector<uint32_t> values;
};
// A little-endian TIFF of one directory: data at offset 8 (strip or tile offsets name 8 to
// point at it), then the directory with the tags (sorted here), larger values behind it.
std::string TiffBytes(std::vector<TiffTag> tags, const std::string& data);
// A width x height 8-bit grey TIFF of one-row strips that all point at the same row of data.
std::string TiffStripsOnOneRow(int width, int height);

// A JPEG of the reference pattern by our own encoder, and the same with its frame header
// claiming width x height, cut after keep bytes of its coded data and closed with an end
// marker, as a cut or forged file is.
std::string PatternJpeg(int width, int height);
std::string JpegCutWithEndMarker(const std::string& jpeg, int width, int height, size_t keep);

// Values as files store them, low byte first or high byte first; a PNG chunk (length, type,
// body, CRC).
std::string LittleEndian(uint32_t value, int bytes);
std::string BigEndian(uint32_t value, int bytes);
std::string PngChunk(const std::string& type, const std::string& body);

struct DecodedImage;
struct CodecLimits;
// Our decoding as words 0xAARRGGBB, rows packed: indexed pictures through their palette, alpha
// 255 for pictures without one, 0 for pixels a file leaves unwritten.
std::vector<uint32_t> DecodedWords(const DecodedImage& d);
// How many pixels of a kept part differ from the whole decoding at (left + x, top + y): the
// indices when both are indexed, else the words.
int PartDiffers(const DecodedImage& part, const DecodedImage& whole, int left, int top);
// The default limits, keeping only this part of the shown picture.
CodecLimits KeepOnly(int64_t left, int64_t top, int64_t right, int64_t bottom);
// Decodes the file and fails the test for each pixel (the first five) that differs from
// ImageMagick's reading by more than tolerance in a channel or alpha; pixels transparent in
// both count as equal. rounded as for MagickPixels.
void ExpectAsMagickReads(const std::string& path, int tolerance, bool rounded = false);
