// HEIC and AVIF in the image codec: pictures ImageMagick writes decode as ImageMagick reads
// them (ImageMagick 6 writes 8-bit samples whatever its -depth), a kept part equals that part
// of the whole, and cut files fail; 10- and 12-bit pictures and rotated or mirrored ones,
// written with libheif's encoders, give libheif's stored samples rounded to 8 bits and placed
// as the orientation shows them. The sizes the decoders allocate for are read from the coded
// streams, and a file whose boxes state less than its streams code is refused before decoding.
#include <errno.h>
#include <math.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "codec/codec.h"
#include "codec/heif_coded_size.h"
#include "imagewin/image_probe.h"
#include "support/heif_files.h"
#include "support/outside_io.h"
#include "support/picture_files.h"

namespace {

uint32_t At(const DecodedImage& d, int x, int y) {
    const uint32_t v = ((const uint32_t*)((const uint8_t*)d.pixels + y * d.stride))[x];
    return d.has_alpha ? v : v | 0xFF000000u;
}

TEST(CodecHeif, PicturesImageMagickWritesDecodeAsItReadsThem) {
    const std::string dir = FreshFolder("codec_heif");
    // Smooth colours, where the two conversions' chroma upsampling cannot differ by much.
    RunCommand("convert -size 40x22 gradient:'#2060C0'-'#E0A040' " + dir + "/src.ppm");
    const struct { const char* name; const char* source; const char* args; } cases[] = {
        {"p.heic", "src.ppm", "-quality 90"},
        {"p.avif", "src.ppm", "-quality 90"},
        {"deep.avif", "src.ppm", "-depth 10 -quality 90"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/" + c.name;
        RunCommand("cd " + dir + " && convert " + c.source + " " + c.args + " " + path);
        // ImageMagick reads these pictures as YCbCr: its sRGB conversion is the reference.
        RunCommand("convert " + path + " -colorspace sRGB PNG32:" + path + ".png");
        int mw = 0, mh = 0;
        const std::vector<uint32_t> magick = MagickPixels(path + ".png", &mw, &mh);
        ASSERT_EQ(mw, 40);
        ASSERT_EQ(mh, 22);
        DecodedImage d;
        ASSERT_EQ(CodecDecodeFile(path.c_str(), &d), 0);
        ASSERT_EQ(d.width, 40);
        ASSERT_EQ(d.height, 22);
        int worst = 0, at = 0;
        for (int i = 0; i < 40 * 22; i++) {
            const uint32_t ours = At(d, i % 40, i / 40);
            // Its alpha after the conversion is of no use; ours must be opaque.
            const int distance = std::max(ChannelDistance(ours, magick[i]), 255 - (int)(ours >> 24));
            if (distance > worst) worst = distance, at = i;
        }
        // Its own conversion and chroma upsampling against the library's.
        EXPECT_LE(worst, 2) << "at " << at % 40 << "," << at / 40 << std::hex << " ours " << At(d, at % 40, at / 40) << " ImageMagick " << magick[at];
        CodecLimits limits = CodecDefaultLimits();
        limits.keep = CodecKeep{3, 5, 20, 30};
        DecodedImage part;
        ASSERT_EQ(CodecDecodeFile(path.c_str(), limits, &part), 0);
        ASSERT_EQ(part.width, 17);
        ASSERT_EQ(part.height, 17);
        int wrong = 0;
        for (int y = 0; y < 17; y++)
            for (int x = 0; x < 17; x++) wrong += At(part, x, y) != At(d, x + 3, y + 5);
        EXPECT_EQ(wrong, 0);
        CodecFreeImage(&part);
        CodecFreeImage(&d);
        const std::string whole = ReadFileBytes(path);
        for (size_t keep : {whole.size() / 2, whole.size() - 10, (size_t)40}) {
            EXPECT_EQ(CodecDecodeBytes((const uint8_t*)whole.data(), keep, CodecDefaultLimits(), &d), 1) << keep;
            EXPECT_EQ(d.pixels, nullptr);
        }
    }
}

TEST(CodecHeif, DeepSamplesRoundToEightBitsAndTheOrientationIsApplied) {
    const std::string dir = FreshFolder("codec_heif_deep");
    const int w = 48, h = 26;
    const struct { const char* name; HeifWriting how; } cases[] = {
        {"d10.heic", {false, 10, 1, false}}, {"d12.heic", {false, 12, 1, false}},
        {"d10.avif", {true, 10, 1, false}},  {"d12.avif", {true, 12, 1, false}},
        {"o6.heic", {false, 8, 6, false}},   {"o3.avif", {true, 12, 3, false}},
        {"o8.heic", {false, 10, 8, false}},  {"o5.avif", {true, 8, 5, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/" + c.name;
        // Every sample value apart: gradients across and down, each channel shifted.
        const uint32_t max = (1u << c.how.bits) - 1;
        std::vector<uint16_t> samples;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                for (int ch = 0; ch < 3; ch++) samples.push_back((uint16_t)((max * (uint32_t)(x + 2 * y + 11 * ch)) / (w + 2 * h + 22)));
        ASSERT_TRUE(WriteHeifFile(path, c.how, w, h, samples));
        int sw = 0, sh = 0, bits = 0;
        const std::vector<uint16_t> stored = HeifStoredSamples(path, &sw, &sh, &bits);
        ASSERT_EQ(sw, w);
        ASSERT_EQ(sh, h);
        ASSERT_EQ(bits, c.how.bits);
        const bool turned = c.how.orientation >= 5;
        const int shown_w = turned ? h : w, shown_h = turned ? w : h;
        int pw = 0, ph = 0;
        EXPECT_EQ(ProbeImageFileSize(path.c_str(), &pw, &ph), PROBE_OK);
        EXPECT_EQ(pw, shown_w);
        EXPECT_EQ(ph, shown_h);
        DecodedImage d;
        ASSERT_EQ(CodecDecodeFile(path.c_str(), &d), 0);
        ASSERT_EQ(d.width, shown_w);
        ASSERT_EQ(d.height, shown_h);
        int wrong = 0, rounded_up = 0;
        for (int y = 0; y < shown_h; y++)
            for (int x = 0; x < shown_w; x++) {
                int sx = 0, sy = 0;
                ShownToStored(c.how.orientation, w, h, x, y, &sx, &sy);
                uint32_t want = 0xFF000000u, cut = 0xFF000000u;
                for (int ch = 0; ch < 3; ch++) {
                    const uint32_t v = stored[((size_t)sy * w + sx) * 3 + ch];
                    want |= (uint32_t)lround(v * 255.0 / max) << (16 - 8 * ch);
                    cut |= (v * 255 / max) << (16 - 8 * ch);
                }
                const uint32_t ours = At(d, x, y);
                if (ours != want && wrong++ < 3) ADD_FAILURE() << x << "," << y << std::hex << " ours " << ours << " want " << want;
                rounded_up += cut != want;
            }
        EXPECT_EQ(wrong, 0);
        // Deep samples that truncation would get wrong are among them.
        if (c.how.bits > 8) {
            EXPECT_GT(rounded_up, 100);
        }
        CodecFreeImage(&d);
    }
}

// An AV1 sequence header's payload stating a largest frame of width x height: a reduced one
// for a still picture, or a full one with timing, a decoder model and two operating points.
std::vector<uint8_t> Av1Sequence(bool reduced, uint32_t width, uint32_t height) {
    std::vector<int> bits;
    const auto put = [&](uint64_t v, int n) {
        for (int i = n - 1; i >= 0; i--) bits.push_back((int)(v >> i & 1));
    };
    put(0, 3), put(reduced, 1), put(reduced, 1);
    if (reduced) {
        put(8, 5);
    } else {
        put(1, 1), put(1001, 32), put(60000, 32), put(1, 1), put(1, 1);   // timing, a picture a tick
        put(1, 1), put(9, 5), put(1001, 32), put(4, 5), put(4, 5);        // the decoder model
        put(1, 1), put(1, 5);                                             // two operating points
        for (int i = 0; i < 2; i++) put(0x101, 12), put(9, 5), put(1, 1), put(1, 1), put(0, 21), put(1, 1), put(3, 4);
    }
    int wbits = 1, hbits = 1;
    while ((width - 1) >> wbits) wbits++;
    while ((height - 1) >> hbits) hbits++;
    put((uint64_t)wbits - 1, 4), put((uint64_t)hbits - 1, 4), put(width - 1, wbits), put(height - 1, hbits);
    while (bits.size() % 8) bits.push_back(0);
    std::vector<uint8_t> out;
    for (size_t i = 0; i < bits.size(); i += 8) {
        int byte = 0;
        for (int k = 0; k < 8; k++) byte = byte << 1 | bits[i + k];
        out.push_back((uint8_t)byte);
    }
    return out;
}

TEST(CodecHeif, Av1SequenceHeadersGiveTheirLargestFrame) {
    const struct { bool reduced; uint32_t width, height; } cases[] = {
        {true, 200, 100}, {false, 200, 100}, {true, 30256, 12568}, {false, 65536, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        const std::vector<uint8_t> payload = Av1Sequence(c.reduced, c.width, c.height);
        int64_t w = 0, h = 0;
        ASSERT_EQ(Av1SequenceSize(payload.data(), payload.size(), &w, &h), 0);
        EXPECT_EQ(w, c.width);
        EXPECT_EQ(h, c.height);
        // Cut inside its sizes.
        EXPECT_EQ(Av1SequenceSize(payload.data(), payload.size() - 2, &w, &h), 1);
    }
}

// The file with its primary image's ispe box stating width x height instead.
std::string WithIspe(std::string file, uint32_t width, uint32_t height) {
    const size_t at = file.find("ispe");
    if (at == std::string::npos) return "";
    for (int i = 0; i < 4; i++) {
        file[at + 8 + i] = (char)(width >> (24 - 8 * i));
        file[at + 12 + i] = (char)(height >> (24 - 8 * i));
    }
    return file;
}

// An HEVC sequence parameter set NAL unit stating width x height, with sub-layers whose
// profiles and levels are all present, escaped as a stream escapes it: its runs of zeros get
// emulation-prevention bytes.
std::string SpsNal(uint64_t width, uint64_t height, int chroma_format, int sub_layers, int depth) {
    std::vector<int> bits;
    const auto put = [&](uint64_t v, int n) {
        for (int i = n - 1; i >= 0; i--) bits.push_back(i < 64 ? (int)(v >> i & 1) : 0);
    };
    const auto ue = [&](uint64_t v) {
        int n = 0;
        while ((v + 1) >> (n + 1)) n++;
        put(0, n);
        put(v + 1, n + 1);
    };
    put(0, 4), put((uint64_t)sub_layers, 3), put(1, 1);
    put(0x01, 8), put(0x60000000, 32), put(0x90, 8), put(0, 40), put(0x5D, 8);
    for (int i = 0; i < sub_layers; i++) put(3, 2);
    if (sub_layers > 0) put(0, 2 * (8 - sub_layers));
    for (int i = 0; i < sub_layers; i++) put(0, 88), put(0x5A, 8);
    ue(0), ue((uint64_t)chroma_format);
    if (chroma_format == 3) put(0, 1);
    ue(width), ue(height);
    put(1, 1), ue(0), ue(1), ue(0), ue(2);   // a conformance window
    ue((uint64_t)depth - 8), ue((uint64_t)depth - 8);
    put(1, 1);
    while (bits.size() % 8) bits.push_back(0);
    std::string nal("\x42\x01", 2);
    int zeros = 0;
    for (size_t i = 0; i < bits.size(); i += 8) {
        int byte = 0;
        for (int k = 0; k < 8; k++) byte = byte << 1 | bits[i + k];
        if (zeros >= 2 && byte <= 3) nal += '\x03', zeros = 0;
        nal += (char)byte;
        zeros = byte == 0 ? zeros + 1 : 0;
    }
    return nal;
}

TEST(CodecHeif, SequenceParameterSetsGiveTheirCodedSize) {
    const struct { uint64_t width, height; int format, sub_layers, depth, chroma; } cases[] = {
        {200, 104, 1, 0, 8, 3},
        {30256, 12566, 3, 2, 10, 6},
        {4096, 2160, 2, 7, 12, 4},
        {1, 1, 0, 1, 8, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        const std::string nal = SpsNal(c.width, c.height, c.format, c.sub_layers, c.depth);
        // The profile's zero bytes are escaped, so the reading must drop the escapes.
        ASSERT_NE(nal.find(std::string("\0\0\3", 3)), std::string::npos);
        int64_t w = 0, h = 0;
        int chroma = 0, bits = 0;
        ASSERT_EQ(HevcSpsSize((const uint8_t*)nal.data(), nal.size(), &w, &h, &chroma, &bits), 0);
        EXPECT_EQ(w, (int64_t)c.width);
        EXPECT_EQ(h, (int64_t)c.height);
        EXPECT_EQ(chroma, c.chroma);
        EXPECT_EQ(bits, c.depth);
        // Cut before its depths, or not a parameter set at all.
        EXPECT_EQ(HevcSpsSize((const uint8_t*)nal.data(), nal.size() - 2, &w, &h, &chroma, &bits), 1);
        EXPECT_EQ(HevcSpsSize((const uint8_t*)"\x40\x01\x0c\x01\xff\xff", 6, &w, &h, &chroma, &bits), 1);
    }
}

TEST(CodecHeif, TheCodedSizeDecidesAndAFileStatingLessIsRefusedUntouched) {
    const std::string dir = FreshFolder("codec_heif_coded");
    const int w = 200, h = 100;
    std::vector<uint16_t> samples((size_t)w * h * 3, 0);
    for (size_t i = 0; i < samples.size(); i++) samples[i] = (uint16_t)(i * 7 % 251);
    const struct { const char* name; HeifWriting how; int64_t coded_w, coded_h; bool deep; } files[] = {
        // x265 codes whole blocks of 8 and crops the rest; AV1 states the frame itself.
        {"c.heic", {false, 8, 1, false}, 200, 104, false},
        {"c10.heic", {false, 10, 1, false}, 200, 104, true},
        {"c.avif", {true, 8, 1, false}, 200, 100, false},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        const std::string path = dir + "/" + f.name;
        ASSERT_TRUE(WriteHeifFile(path, f.how, w, h, samples));
        const std::string file = ReadFileBytes(path);
        HeifCodedSize coded;
        ASSERT_EQ(HeifFindCodedSize((const uint8_t*)file.data(), file.size(), &coded), 0);
        EXPECT_EQ(coded.canvas_width, f.coded_w);
        EXPECT_EQ(coded.canvas_height, f.coded_h);
        EXPECT_EQ(coded.largest_pixels, (uint64_t)(f.coded_w * f.coded_h));
        EXPECT_EQ(coded.coded_pictures, 1);
        EXPECT_EQ(coded.deep, f.deep);
        EXPECT_FALSE(coded.beyond_boxes);
        const uint64_t cap = (uint64_t)w * h, room = 64ull << 20;
        const std::string huge_sps = f.how.avif ? "" : HeicWithCodedSize(file, 30256, 12568);
        const struct {
            const char* what;
            std::string bytes;
            uint64_t max_pixels, max_bytes;
            int code, reason;
        } cases[] = {
            {"as written", file, cap, room, 0, 0},
            // The boxes state 16 x 16: the coded picture is far larger than what was checked.
            {"ispe 16 x 16", WithIspe(file, 16, 16), cap, room, 1, EINVAL},
            // Within a coding block of the coded picture: decoded, then refused as not the size
            // the boxes state.
            {"ispe 150 x 80", WithIspe(file, 150, 80), cap, room, 1, EINVAL},
            {"as written in too little memory", file, cap, 100 * 1024, 1, ENOMEM},
            // The parameter set codes 30256 x 12568 (1.1 GB of planes for the decoder and
            // libheif) under boxes stating 200 x 100, or stating the same (codec_hostile.cpp
            // measures the memory a decode of such a file takes).
            {"sps of 30256 x 12568", huge_sps, cap, room, 1, EINVAL},
            {"sps and ispe of 30256 x 12568", WithIspe(huge_sps, 30256, 12568), 1ull << 31, room, 1, ENOMEM},
            {"cut in its item data", file.substr(0, file.size() - 8), cap, room, 1, EINVAL},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.what);
            if (c.bytes.empty() && f.how.avif) continue;   // no parameter set to replace
            ASSERT_FALSE(c.bytes.empty());
            DecodedImage d;
            errno = 0;
            EXPECT_EQ(CodecDecodeBytes((const uint8_t*)c.bytes.data(), c.bytes.size(),
                                       CodecLimits{c.max_pixels, c.max_bytes, CodecKeep{}}, &d), c.code);
            if (c.code) {
                EXPECT_EQ(errno, c.reason);
                // Refused before anything was allocated or lent.
                EXPECT_EQ(d.pixels, nullptr);
                EXPECT_EQ(d.picture_width, 0);
            } else {
                EXPECT_EQ(d.width, w);
                EXPECT_EQ(d.height, h);
            }
            CodecFreeImage(&d);
        }
    }
}

}  // namespace
