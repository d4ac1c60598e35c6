// Encode then decode random small pictures in the five formats: the lossless formats give
// back the same pixels (GIF when the picture has at most 256 colours), 8-bit pictures the
// same indices and table, and JPEG at least the same size.
#include "codec/codec.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include <vector>

static bool Lossless(CodecFormat f) { return f != CODEC_JPEG; }

static int CountColors(const std::vector<uint32_t>& px) {
    std::vector<uint32_t> sorted(px);
    for (uint32_t& v : sorted) v &= 0xFFFFFF;
    std::sort(sorted.begin(), sorted.end());
    return (int)(std::unique(sorted.begin(), sorted.end()) - sorted.begin());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const int width = 1 + data[0] % 19, height = 1 + data[1] % 13, bits = data[2] & 1 ? 8 : 32;
    const CodecFormat format = (CodecFormat)((data[2] >> 1) % 5);
    data += 3, size -= 3;
    const int stride = bits == 8 ? (width + 3) & ~3 : width * 4;
    std::vector<uint8_t> pixels((size_t)stride * height);
    for (size_t i = 0; i < pixels.size(); i++) pixels[i] = size ? data[i % size] ^ (uint8_t)(i * 7) : (uint8_t)i;
    std::vector<uint32_t> palette(256), words((size_t)width * height);
    for (int i = 0; i < 256; i++) palette[i] = (uint32_t)(i * 2654435761u) & 0xFFFFFF;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            words[(size_t)y * width + x] = bits == 8 ? palette[pixels[(size_t)y * stride + x]]
                                                     : ((const uint32_t*)(pixels.data() + (size_t)y * stride))[x] & 0xFFFFFF;
    const CodecPicture picture{width, height, bits, stride, pixels.data(), palette.data()};
    std::vector<uint8_t> file;
    if (CodecEncodeBytes(format, picture, &file)) abort();
    DecodedImage d;
    if (CodecDecodeBytes(file.data(), file.size(), 1u << 16, &d)) abort();
    if (d.width != width || d.height != height) abort();
    const bool exact = Lossless(format) && !(format == CODEC_GIF && bits == 32 && CountColors(words) > 256);
    for (int i = 0; exact && i < width * height; i++) {
        const uint32_t got = (d.indices ? d.palette[d.indices[i]] : d.pixels[i]) & 0xFFFFFF;
        if (got != words[i]) abort();
        if (bits == 8 && (!d.indices || d.indices[i] != pixels[(size_t)(i / width) * stride + i % width])) abort();
    }
    CodecFreeImage(&d);
    return 0;
}
