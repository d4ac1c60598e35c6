// HEIC and AVIF files through libheif's encoders, and its decode of their stored pictures.
#include "support/heif_files.h"

#include <libheif/heif.h>

bool WriteHeifFile(const std::string& path, const HeifWriting& how, int width, int height,
                   const std::vector<uint16_t>& samples) {
    const bool deep = how.bits > 8;
    heif_image* image = nullptr;
    if (heif_image_create(width, height, heif_colorspace_RGB,
                          deep ? heif_chroma_interleaved_RRGGBB_LE : heif_chroma_interleaved_RGB, &image).code)
        return false;
    heif_image_add_plane(image, heif_channel_interleaved, width, height, how.bits);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < height; y++)
        for (int i = 0; i < width * 3; i++) {
            const uint16_t v = samples[(size_t)y * width * 3 + i];
            uint8_t* row = plane + (size_t)y * stride;
            if (deep) row[2 * i] = (uint8_t)v, row[2 * i + 1] = (uint8_t)(v >> 8);
            else row[i] = (uint8_t)v;
        }
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    bool done = heif_context_get_encoder_for_format(ctx, how.avif ? heif_compression_AV1 : heif_compression_HEVC,
                                                    &encoder).code == heif_error_Ok;
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = (heif_orientation)how.orientation;
    if (done) {
        heif_encoder_set_lossy_quality(encoder, 90);
        if (how.lossless) {
            heif_encoder_set_lossless(encoder, 1);
            heif_encoder_set_parameter(encoder, "chroma", "444");
        } else if (how.avif && how.bits == 10) {
            // libaom 3.6 under libheif 1.15 aborts on 10-bit 4:2:0 and 4:4:4; 4:2:2 it writes.
            heif_encoder_set_parameter(encoder, "chroma", "422");
        }
        if (how.avif) heif_encoder_set_parameter(encoder, "speed", "8");
        done = heif_context_encode_image(ctx, image, encoder, options, nullptr).code == heif_error_Ok &&
               heif_context_write_to_file(ctx, path.c_str()).code == heif_error_Ok;
        heif_encoder_release(encoder);
    }
    heif_encoding_options_free(options);
    heif_context_free(ctx);
    heif_image_release(image);
    return done;
}

std::vector<uint16_t> HeifStoredSamples(const std::string& path, int* width, int* height, int* bits) {
    std::vector<uint16_t> out;
    heif_context* ctx = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    heif_decoding_options* options = heif_decoding_options_alloc();
    options->ignore_transformations = 1;
    if (heif_context_read_from_file(ctx, path.c_str(), nullptr).code == heif_error_Ok &&
        heif_context_get_primary_image_handle(ctx, &handle).code == heif_error_Ok) {
        const bool deep = heif_image_handle_get_luma_bits_per_pixel(handle) > 8;
        if (heif_decode_image(handle, &image, heif_colorspace_RGB,
                              deep ? heif_chroma_interleaved_RRGGBB_LE : heif_chroma_interleaved_RGB, options)
                .code == heif_error_Ok) {
            int stride = 0;
            const uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
            *width = heif_image_get_width(image, heif_channel_interleaved);
            *height = heif_image_get_height(image, heif_channel_interleaved);
            *bits = heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved);
            for (int y = 0; y < *height; y++)
                for (int i = 0; i < *width * 3; i++) {
                    const uint8_t* row = plane + (size_t)y * stride;
                    out.push_back(deep ? (uint16_t)(row[2 * i] | row[2 * i + 1] << 8) : row[i]);
                }
        }
    }
    heif_image_release(image);
    heif_image_handle_release(handle);
    heif_decoding_options_free(options);
    heif_context_free(ctx);
    return out;
}

namespace {

uint32_t Be32(const std::string& s, size_t at) {
    return (uint32_t)(uint8_t)s[at] << 24 | (uint32_t)(uint8_t)s[at + 1] << 16 | (uint32_t)(uint8_t)s[at + 2] << 8 |
           (uint8_t)s[at + 3];
}

void AddBe32(std::string* s, size_t at, int64_t delta) {
    const uint32_t v = (uint32_t)(Be32(*s, at) + delta);
    for (int i = 0; i < 4; i++) (*s)[at + i] = (char)(v >> (24 - 8 * i));
}

void PutUe(std::vector<int>* bits, uint64_t v) {
    int n = 0;
    while ((v + 1) >> (n + 1)) n++;
    for (int i = 0; i < n; i++) bits->push_back(0);
    for (int i = n; i >= 0; i--) bits->push_back((int)((v + 1) >> i & 1));
}

// Where the exponential-Golomb code starting at bit at ends.
size_t UeEnd(const std::vector<int>& bits, size_t at) {
    size_t zeros = 0;
    while (at + zeros < bits.size() && !bits[at + zeros]) zeros++;
    return at + 2 * zeros + 1;
}

}  // namespace

std::string HeicWithCodedSize(std::string file, uint32_t width, uint32_t height) {
    const size_t hvcc = file.find("hvcC"), iloc = file.find("iloc"), sps = file.find(std::string("\x42\x01", 2), hvcc);
    if (hvcc == std::string::npos || iloc == std::string::npos || iloc > hvcc || sps == std::string::npos ||
        file.compare(iloc + 4, 6, std::string("\0\0\0\0\x44\x40\0\x01", 8), 0, 6) != 0)
        return "";
    const size_t length = (size_t)(uint8_t)file[sps - 2] << 8 | (uint8_t)file[sps - 1];
    // The payload's bits without its escapes.
    std::vector<int> bits;
    int zeros = 0;
    for (size_t i = sps + 2; i < sps + length; i++) {
        const uint8_t b = (uint8_t)file[i];
        if (zeros >= 2 && b == 3) {
            zeros = 0;
            continue;
        }
        zeros = b == 0 ? zeros + 1 : 0;
        for (int k = 7; k >= 0; k--) bits.push_back(b >> k & 1);
    }
    // One layer: the size follows the profile (104 bits), the set's number and the chroma format.
    if (bits.size() < 200 || (bits[4] | bits[5] | bits[6])) return "";
    size_t at = UeEnd(bits, 104);
    uint64_t format = 0;
    for (size_t i = at + (UeEnd(bits, at) - at) / 2; i < UeEnd(bits, at); i++) format = format << 1 | (uint64_t)bits[i];
    const bool planes = format - 1 == 3;   // 4:4:4 may code its planes apart: one bit more
    at = UeEnd(bits, at) + (planes ? 1 : 0);
    const size_t after = UeEnd(bits, UeEnd(bits, at));
    std::vector<int> out(bits.begin(), bits.begin() + (long)at);
    PutUe(&out, width);
    PutUe(&out, height);
    // The rest up to its stop bit, then the stop bit and the alignment again.
    size_t end = bits.size();
    while (end > after && !bits[end - 1]) end--;
    out.insert(out.end(), bits.begin() + (long)after, bits.begin() + (long)end);
    while (out.size() % 8) out.push_back(0);
    std::string nal = file.substr(sps, 2);
    zeros = 0;
    for (size_t i = 0; i < out.size(); i += 8) {
        int byte = 0;
        for (int k = 0; k < 8; k++) byte = byte << 1 | out[i + k];
        if (zeros >= 2 && byte <= 3) nal += '\x03', zeros = 0;
        nal += (char)byte;
        zeros = byte == 0 ? zeros + 1 : 0;
    }
    const int64_t delta = (int64_t)nal.size() - (int64_t)length;
    file.replace(sps, length, nal);
    file[sps - 2] = (char)(nal.size() >> 8), file[sps - 1] = (char)nal.size();
    // The boxes around it grow, and the item's data (its base offset) moves.
    for (const char* box : {"meta", "iprp", "ipco", "hvcC"}) AddBe32(&file, file.find(box) - 4, delta);
    AddBe32(&file, iloc + 4 + 12, delta);
    return file;
}

// libx265 keeps a few kilobytes per encoder that libheif's plugin never hands back; under the
// leak checker of a sanitized build they are the encoder's, not a fault of ours.
extern "C" const char* __lsan_default_suppressions(void) { return "leak:libx265.so\n"; }

// The HEIF encoders and decoders run thread pools of their own that hand work over through
// atomics the race detector cannot see, since it is not built into them: a race it reports
// inside one of them is a report about that library's own threads, not about ours.
extern "C" const char* __tsan_default_suppressions(void) {
    return "race:libx265.so\nrace:libaom.so\nrace:libdav1d.so\nrace:libde265.so\n";
}
