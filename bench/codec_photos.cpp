// Photos for the codec benchmark's speed cases, and the libraries' own decodes of them.
#include "codec_photos.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include <jpeglib.h>
#include <libheif/heif.h>
#include <webp/decode.h>
#include <webp/encode.h>

std::vector<uint32_t> MakeCameraPhoto(int width, int height) {
    // Separable tables: sums of sines of x and y give light, textures and their products.
    std::vector<float> light_x(width), light_y(height), tex_x(width), tex_y(height);
    std::vector<float> fine_sx(width), fine_cx(width), fine_sy(height), fine_cy(height);
    for (int x = 0; x < width; x++) {
        light_x[x] = (float)sin(x * 8.2 / width + 0.5);
        tex_x[x] = (float)sin(x * 0.07);
        fine_sx[x] = (float)sin(x * 0.31);
        fine_cx[x] = (float)cos(x * 0.31);
    }
    for (int y = 0; y < height; y++) {
        light_y[y] = (float)cos(y * 5.6 / height);
        tex_y[y] = (float)sin(y * 0.05);
        fine_sy[y] = (float)sin(y * 0.31);
        fine_cy[y] = (float)cos(y * 0.31);
    }
    std::vector<uint32_t> out((size_t)width * height);
    uint32_t seed = 987654321u;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const float light = 0.5f + 0.3f * light_x[x] * light_y[y];
            // sin(0.31 (x + y)): a fine diagonal weave, strongest in the middle tones.
            const float texture = 28 * tex_x[x] * tex_y[y] + 10 * (fine_sx[x] * fine_cy[y] + fine_cx[x] * fine_sy[y]);
            seed = seed * 1664525u + 1013904223u;
            const float noise = (float)(seed >> 28) - 7.5f;
            auto ch = [](float v) { return (uint32_t)std::min(255.f, std::max(0.f, v)); };
            const uint32_t r = ch(230 * light + texture + noise);
            const uint32_t g = ch(40 + 170 * light * (float)y / height + 0.7f * texture + noise);
            const uint32_t b = ch(200 - 150 * light + 0.5f * texture + noise);
            out[(size_t)y * width + x] = r << 16 | g << 8 | b;
        }
    return out;
}

namespace {

// An Exif APP1 body: little-endian TIFF structure of one directory holding tag 274.
std::vector<uint8_t> ExifOrientationBlock(int orientation) {
    const uint8_t block[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,   // header, directory at 8
                             1, 0,                                                   // one entry
                             0x12, 0x01, 3, 0, 1, 0, 0, 0, (uint8_t)orientation, 0, 0, 0,
                             0, 0, 0, 0};                                            // no next directory
    return std::vector<uint8_t>(block, block + sizeof block);
}

bool WriteBytes(const std::string& path, const void* data, size_t size) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool done = fwrite(data, 1, size, f) == size;
    return fclose(f) == 0 && done;
}

}  // namespace

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return bytes;
    fseek(f, 0, SEEK_END);
    bytes.resize((size_t)std::max(0L, ftell(f)));
    fseek(f, 0, SEEK_SET);
    if (fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) bytes.clear();
    fclose(f);
    return bytes;
}

bool WriteCameraJpeg(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height,
                     int orientation) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = (JDIMENSION)width;
    c.image_height = (JDIMENSION)height;
    c.input_components = 4;
    c.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&c);   // 4:2:0 chroma, as cameras write
    jpeg_set_quality(&c, 92, TRUE);
    jpeg_start_compress(&c, TRUE);
    const std::vector<uint8_t> exif = ExifOrientationBlock(orientation);
    jpeg_write_marker(&c, JPEG_APP0 + 1, exif.data(), (unsigned)exif.size());
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = (JSAMPROW)(pixels.data() + (size_t)c.next_scanline * width);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return fclose(f) == 0;
}

bool WriteLossyWebp(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height) {
    std::vector<uint32_t> opaque(pixels.size());
    for (size_t i = 0; i < pixels.size(); i++) opaque[i] = pixels[i] | 0xFF000000u;
    uint8_t* out = nullptr;
    const size_t size = WebPEncodeBGRA((const uint8_t*)opaque.data(), width, height, width * 4, 85, &out);
    const bool done = size > 0 && WriteBytes(path, out, size);
    WebPFree(out);
    return done;
}

bool WriteHeifPhoto(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height, bool avif) {
    heif_image* image = nullptr;
    if (heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image).code) return false;
    heif_image_add_plane(image, heif_channel_interleaved, width, height, 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const uint32_t c = pixels[(size_t)y * width + x];
            uint8_t* p = plane + (size_t)y * stride + 3 * x;
            p[0] = (uint8_t)(c >> 16), p[1] = (uint8_t)(c >> 8), p[2] = (uint8_t)c;
        }
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    bool done = heif_context_get_encoder_for_format(ctx, avif ? heif_compression_AV1 : heif_compression_HEVC,
                                                    &encoder).code == heif_error_Ok;
    if (done) {
        heif_encoder_set_lossy_quality(encoder, 80);
        // The set-up only needs a file of a photo: the encoders' quickest settings will do.
        if (avif) heif_encoder_set_parameter(encoder, "speed", "8");
        else heif_encoder_set_parameter(encoder, "preset", "ultrafast");
        done = heif_context_encode_image(ctx, image, encoder, nullptr, nullptr).code == heif_error_Ok &&
               heif_context_write_to_file(ctx, path.c_str()).code == heif_error_Ok;
        heif_encoder_release(encoder);
    }
    heif_context_free(ctx);
    heif_image_release(image);
    return done;
}

bool LibjpegDecodeRgb(const std::string& path, std::vector<uint8_t>* rgb) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    jpeg_decompress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_decompress(&c);
    jpeg_stdio_src(&c, f);
    jpeg_read_header(&c, TRUE);
    c.out_color_space = JCS_RGB;
    jpeg_start_decompress(&c);
    const size_t row_bytes = (size_t)c.output_width * 3;
    if (rgb->size() < row_bytes * c.output_height) rgb->resize(row_bytes * c.output_height);
    while (c.output_scanline < c.output_height) {
        JSAMPROW row = rgb->data() + (size_t)c.output_scanline * row_bytes;
        jpeg_read_scanlines(&c, &row, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    fclose(f);
    return true;
}

bool LibwebpDecodeRgba(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadWholeFile(path);
    int width = 0, height = 0;
    uint8_t* rgba = WebPDecodeRGBA(bytes.data(), bytes.size(), &width, &height);
    WebPFree(rgba);
    return rgba != nullptr;
}

bool LibheifDecodeRgb(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadWholeFile(path);
    heif_context* ctx = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    const bool done =
        heif_context_read_from_memory_without_copy(ctx, bytes.data(), bytes.size(), nullptr).code == heif_error_Ok &&
        heif_context_get_primary_image_handle(ctx, &handle).code == heif_error_Ok &&
        heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr).code ==
            heif_error_Ok;
    heif_image_release(image);
    heif_image_handle_release(handle);
    heif_context_free(ctx);
    return done;
}
