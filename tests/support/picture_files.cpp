// Reference pictures and ImageMagick's view of image files, for the image-file tests.
#include "support/picture_files.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "codec/codec.h"
#include "support/outside_io.h"

uint32_t PatternColor(int x, int y) {
    return (uint32_t)((x * 37 + y * 11) & 0xFF) << 16 | (uint32_t)((x * 5 + y * 71 + 40) & 0xFF) << 8 |
           (uint32_t)((x * 113 + y * 29 + 200) & 0xFF);
}

std::vector<uint32_t> PatternPixels(int width, int height) {
    std::vector<uint32_t> out((size_t)width * height);
    for (size_t i = 0; i < out.size(); i++) out[i] = PatternColor((int)(i % width), (int)(i / width));
    return out;
}

std::string FreshFolder(const std::string& name) {
    const char* base = getenv("TMPDIR");
    const std::string dir = std::string(base && *base ? base : "/tmp") + "/pixkit_" + name + "_" +
                            std::to_string(getpid());
    RunCommand("rm -rf '" + dir + "' && mkdir -p '" + dir + "'");
    return dir;
}

bool WritePpm(const std::string& path, int width, int height, const std::vector<uint32_t>* pixels) {
    std::string bytes = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const uint32_t c = pixels ? (*pixels)[(size_t)y * width + x] : PatternColor(x, y);
            bytes += (char)(c >> 16);
            bytes += (char)(c >> 8);
            bytes += (char)c;
        }
    return WriteFileBytes(path, bytes);
}

std::vector<uint32_t> MagickPixels(const std::string& path, int* width, int* height, bool rounded) {
    std::vector<uint32_t> out;
    const std::string file = "'" + path + "[0]'";
    const std::string size = RunCommand("identify -format '%w %h' " + file + " 2>/dev/null");
    if (sscanf(size.c_str(), "%d %d", width, height) != 2) return out;
    const size_t bytes = rounded ? 2 : 1;
    const std::string rgba = RunCommand("convert " + file + (rounded ? " -depth 16 -endian MSB" : " -depth 8") + " rgba:- 2>/dev/null");
    if (rgba.size() != (size_t)*width * *height * 4 * bytes) return out;
    const uint8_t* p = (const uint8_t*)rgba.data();
    for (size_t i = 0; i < rgba.size(); i += 4 * bytes) {
        uint32_t c[4];
        for (size_t k = 0; k < 4; k++) {
            const uint8_t* at = p + i + k * bytes;
            c[k] = rounded ? ((uint32_t)(at[0] << 8 | at[1]) * 255 + 32767) / 65535 : at[0];
        }
        out.push_back(c[3] << 24 | c[0] << 16 | c[1] << 8 | c[2]);
    }
    return out;
}

int ChannelDistance(uint32_t a, uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = abs((int)(a >> shift & 0xFF) - (int)(b >> shift & 0xFF));
        if (d > worst) worst = d;
    }
    return worst;
}

void ShownToStored(int orientation, int width, int height, int x, int y, int* stored_x, int* stored_y) {
    const int w = width, h = height;
    switch (orientation) {
    case 2: *stored_x = w - 1 - x, *stored_y = y; break;
    case 3: *stored_x = w - 1 - x, *stored_y = h - 1 - y; break;
    case 4: *stored_x = x, *stored_y = h - 1 - y; break;
    case 5: *stored_x = y, *stored_y = x; break;
    case 6: *stored_x = y, *stored_y = h - 1 - x; break;
    case 7: *stored_x = w - 1 - y, *stored_y = h - 1 - x; break;
    case 8: *stored_x = w - 1 - y, *stored_y = x; break;
    default: *stored_x = x, *stored_y = y; break;
    }
}

namespace {

void PutBe32(std::string* out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) *out += (char)(v >> shift);
}

void PutLe(std::string* out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++) *out += (char)(v >> (8 * i));
}

void PngChunk(std::string* out, const char* type, const std::string& body) {
    PutBe32(out, (uint32_t)body.size());
    const std::string typed = std::string(type, 4) + body;
    *out += typed;
    PutBe32(out, (uint32_t)crc32(0, (const Bytef*)typed.data(), (uInt)typed.size()));
}

}  // namespace

std::string PngOfZeros(int width, int height) {
    std::string png("\x89PNG\r\n\x1a\n", 8), header;
    PutBe32(&header, (uint32_t)width);
    PutBe32(&header, (uint32_t)height);
    header += std::string("\x08\x00\x00\x00\x00", 5);   // 8-bit grey, no interlace
    PngChunk(&png, "IHDR", header);
    // Every row is its filter byte (0) and its zero pixels: one long run of zeros.
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 15, 9, Z_RLE);
    std::vector<unsigned char> zeros(1 << 20, 0), buffer(1 << 16);
    std::string data;
    uint64_t left = (uint64_t)(width + 1) * (uint64_t)height;
    int flush = Z_NO_FLUSH;
    do {
        const uInt take = (uInt)std::min<uint64_t>(left, zeros.size());
        left -= take;
        flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        z.next_in = zeros.data();
        z.avail_in = take;
        do {
            z.next_out = buffer.data();
            z.avail_out = (uInt)buffer.size();
            deflate(&z, flush);
            data.append((const char*)buffer.data(), buffer.size() - z.avail_out);
        } while (z.avail_out == 0);
    } while (flush != Z_FINISH);
    deflateEnd(&z);
    PngChunk(&png, "IDAT", data);
    PngChunk(&png, "IEND", "");
    return png;
}

std::string GifOfHugeScreen(void) {
    return std::string("GIF89a\xFF\xFF\xFF\xFF\0\0\0\x2C\0\0\0\0\1\0\1\0\0\2\2\x44\x01\0\x3B", 29);
}

std::string TiffBytes(std::vector<TiffTag> tags, const std::string& data) {
    std::sort(tags.begin(), tags.end(), [](const TiffTag& a, const TiffTag& b) { return a.tag < b.tag; });
    std::string out("II*\0", 4);
    const uint32_t directory = 8 + (uint32_t)((data.size() + 1) & ~(size_t)1);
    PutLe(&out, directory, 4);
    out += data;
    out.resize(directory, '\0');
    // Values that do not fit the entry's four bytes follow the directory.
    uint32_t extra = directory + 2 + 12 * (uint32_t)tags.size() + 4;
    std::string entries, behind;
    for (const TiffTag& t : tags) {
        const int size = t.type == 3 ? 2 : 4;
        std::string values;
        for (uint32_t v : t.values) PutLe(&values, v, size);
        PutLe(&entries, t.tag, 2);
        PutLe(&entries, t.type, 2);
        PutLe(&entries, (uint32_t)t.values.size(), 4);
        if (values.size() <= 4) {
            values.resize(4, '\0');
            entries += values;
        } else {
            PutLe(&entries, extra + (uint32_t)behind.size(), 4);
            behind += values;
        }
    }
    PutLe(&out, (uint32_t)tags.size(), 2);
    out += entries;
    PutLe(&out, 0, 4);   // no next directory
    return out + behind;
}

std::string TiffStripsOnOneRow(int width, int height) {
    const uint32_t w = (uint32_t)width, h = (uint32_t)height;
    return TiffBytes({{256, 4, {w}}, {257, 4, {h}}, {258, 3, {8}}, {259, 3, {1}}, {262, 3, {1}},
                      {273, 4, std::vector<uint32_t>(h, 8)}, {277, 3, {1}}, {278, 4, {1}},
                      {279, 4, std::vector<uint32_t>(h, w)}},
                     std::string((size_t)width, '\x40'));
}

std::string PatternJpeg(int width, int height) {
    const std::vector<uint32_t> pattern = PatternPixels(width, height);
    std::vector<uint8_t> bytes;
    CodecEncodeBytes(CODEC_JPEG, CodecPicture{width, height, 32, width * 4, (const uint8_t*)pattern.data(), nullptr},
                     &bytes);
    return std::string(bytes.begin(), bytes.end());
}

std::string JpegCutWithEndMarker(const std::string& jpeg, int width, int height, size_t keep) {
    std::string out = jpeg;
    const size_t frame = out.find("\xFF\xC0");
    const size_t scan = out.find("\xFF\xDA");
    if (frame == std::string::npos || scan == std::string::npos) return std::string();
    out[frame + 5] = (char)(height >> 8), out[frame + 6] = (char)height;
    out[frame + 7] = (char)(width >> 8), out[frame + 8] = (char)width;
    const size_t data = scan + 2 + ((uint8_t)out[scan + 2] << 8 | (uint8_t)out[scan + 3]);
    return out.substr(0, std::min(out.size(), data + keep)) + "\xFF\xD9";
}

std::string LittleEndian(uint32_t value, int bytes) {
    std::string out;
    PutLe(&out, value, bytes);
    return out;
}

std::string BigEndian(uint32_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; i--) out += (char)(value >> (8 * i));
    return out;
}

std::string PngChunk(const std::string& type, const std::string& body) {
    std::string out;
    PngChunk(&out, type.c_str(), body);
    return out;
}

std::vector<uint32_t> DecodedWords(const DecodedImage& d) {
    std::vector<uint32_t> out;
    for (int y = 0; y < d.height; y++)
        for (int x = 0; x < d.width; x++) {
            const uint8_t* row = (d.indices ? d.indices : (const uint8_t*)d.pixels) + y * d.stride;
            uint32_t v = d.indices ? d.palette[row[x]] : ((const uint32_t*)row)[x];
            if (!d.has_alpha) v = (v & 0xFFFFFF) | 0xFF000000u;
            if (d.mask && !d.mask[(size_t)y * d.width + x]) v = 0;
            out.push_back(v);
        }
    return out;
}

int PartDiffers(const DecodedImage& part, const DecodedImage& whole, int left, int top) {
    const bool indexed = part.indices && whole.indices;
    const std::vector<uint32_t> a = DecodedWords(part), b = DecodedWords(whole);
    int wrong = 0;
    for (int y = 0; y < part.height; y++)
        for (int x = 0; x < part.width; x++)
            wrong += indexed ? part.indices[y * part.stride + x] != whole.indices[(y + top) * whole.stride + x + left]
                             : a[(size_t)y * part.width + x] != b[(size_t)(y + top) * whole.width + x + left];
    return wrong;
}

CodecLimits KeepOnly(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    CodecLimits limits = CodecDefaultLimits();
    limits.keep = CodecKeep{left, top, right, bottom};
    return limits;
}

void ExpectAsMagickReads(const std::string& path, int tolerance, bool rounded) {
    int mw = 0, mh = 0;
    const std::vector<uint32_t> magick = MagickPixels(path, &mw, &mh, rounded);
    ASSERT_FALSE(magick.empty()) << "ImageMagick cannot read " << path;
    DecodedImage d;
    ASSERT_EQ(CodecDecodeFile(path.c_str(), &d), 0) << path;
    EXPECT_EQ(d.width, mw);
    EXPECT_EQ(d.height, mh);
    const std::vector<uint32_t> ours = DecodedWords(d);
    CodecFreeImage(&d);
    ASSERT_EQ(ours.size(), magick.size()) << path;
    for (size_t i = 0, bad = 0; i < ours.size() && bad < 5; i++) {
        const uint32_t a = ours[i] >> 24, b = magick[i] >> 24;
        const bool near = abs((int)a - (int)b) <= tolerance && ChannelDistance(ours[i], magick[i]) <= tolerance;
        if ((a == 0 && b == 0) || near) continue;
        bad++;
        ADD_FAILURE() << path << " pixel " << i % mw << "," << i / mw << ": ours " << std::hex << ours[i]
                      << " ImageMagick " << magick[i];
    }
}
