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

// libx265 keeps a few kilobytes per encoder that libheif's plugin never hands back; under the
// leak checker of a sanitized build they are the encoder's, not a fault of ours.
extern "C" const char* __lsan_default_suppressions(void) { return "leak:libx265.so\n"; }
