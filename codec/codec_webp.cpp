// WebP through libwebp. A still picture is decoded with the library's cropping to the kept
// columns, from the first kept row down to the last row of the picture, so that damage
// anywhere below still fails the load (the library stops decoding at the bottom of its crop).
// When the crop is the kept part it is decoded straight into it; otherwise into a working
// buffer whose kept rows are copied. The library holds buffers of its own that cannot be
// handed to us: a lossless picture's whole ARGB plane, a lossy one's few macroblock rows and
// its alpha plane; they are counted against the memory that remains before decoding starts.
// An animation gives its first frame on the canvas, through the library's animation decoder.
// Saving is always lossless and opaque.
#include "codec/codec_webp.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>

namespace {

// What libwebp allocates for itself while decoding a still picture of this size.
uint64_t StillWorkBytes(const WebPBitstreamFeatures& f) {
    const uint64_t w = (uint64_t)f.width, h = (uint64_t)f.height;
    // Lossless (format 2): the decoded ARGB plane and its cache rows. Lossy: macroblock rows of
    // Y, U and V with their filter context, and the alpha plane when there is one.
    const uint64_t library = f.format == 2 ? w * h * 4 + w * 4 * 17 : w * 1024 + (f.has_alpha ? w * h : 0);
    return library + (1u << 20);
}

// Copies the kept columns of a decoded block of rows, whose first row is picture row first_row
// and first column picture column first_column.
void PutRows(DecodedImage* out, const uint8_t* rows, size_t stride, int first_row, int first_column, int count) {
    for (int j = 0; j < count; j++) {
        const int64_t y = (int64_t)first_row + j;
        if (!CodecKeepsRow(out, y)) continue;
        const uint8_t* src = rows + (size_t)j * stride + (size_t)(out->left - first_column) * 4;
        memcpy(CodecKeptRow(out, y), src, (size_t)out->width * 4);
    }
}

int DecodeStill(const uint8_t* data, size_t size, const WebPBitstreamFeatures& f, const CodecLimits& limits,
                DecodedImage* out) {
    if (CodecAllocImage(out, f.width, f.height, false, limits)) return 1;
    out->has_alpha = f.has_alpha ? 1 : 0;
    if (!CodecRoomFor(out, StillWorkBytes(f))) {
        errno = ENOMEM;
        return 1;
    }
    out->room -= StillWorkBytes(f);
    // The crop starts on even coordinates (a lossy decoder moves odd ones up) and always ends
    // at the picture's last row. Inside the picture it reaches a chroma sample beyond the kept
    // part, whose colours the upsampling blends into the pixels at its edge. A picture none of
    // which is kept is still decoded whole, through its first column.
    const bool none = out->width == 0;
    const int margin = 2;
    const int left = none ? 0 : std::max(0, (out->left & ~1) - margin);
    const int top = none ? 0 : std::max(0, (out->top & ~1) - margin);
    const int right = none ? 1 : std::min(f.width, out->left + out->width + margin);
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return 1;
    config.options.use_cropping = 1;
    config.options.crop_left = left;
    config.options.crop_top = top;
    config.options.crop_width = right - left;
    config.options.crop_height = f.height - top;
    config.output.colorspace = MODE_BGRA;   // little-endian words 0xAARRGGBB
    config.output.is_external_memory = 1;
    const bool direct = !none && left == out->left && top == out->top && right == out->left + out->width &&
                        out->top + out->height == f.height;
    uint8_t* work = nullptr;
    size_t stride = out->stride;
    if (direct) {
        config.output.u.RGBA.rgba = (uint8_t*)out->pixels;
    } else {
        stride = (size_t)(right - left) * 4;
        work = (uint8_t*)CodecAllocWork(out, (uint64_t)stride * (uint64_t)(f.height - top));
        if (!work) return 1;
        config.output.u.RGBA.rgba = work;
    }
    config.output.u.RGBA.stride = (int)stride;
    config.output.u.RGBA.size = stride * (size_t)(f.height - top);
    const VP8StatusCode status = WebPDecode(data, size, &config);
    if (status == VP8_STATUS_OK && !direct && !none) PutRows(out, work, stride, top, left, f.height - top);
    WebPFreeDecBuffer(&config.output);
    free(work);
    if (status == VP8_STATUS_OUT_OF_MEMORY) errno = ENOMEM;
    return status == VP8_STATUS_OK ? 0 : 1;
}

// The first frame of an animation as the library composes it on the canvas (transparent where
// the frame does not reach). The decoder holds the canvas twice and the frame once.
int DecodeFirstFrame(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out) {
    const WebPData whole{data, size};
    WebPDemuxer* demux = WebPDemux(&whole);
    if (!demux) return 1;
    const uint32_t width = WebPDemuxGetI(demux, WEBP_FF_CANVAS_WIDTH);
    const uint32_t height = WebPDemuxGetI(demux, WEBP_FF_CANVAS_HEIGHT);
    WebPDemuxDelete(demux);
    if (CodecAllocImage(out, width, height, false, limits)) return 1;
    out->has_alpha = 1;
    const uint64_t canvas = (uint64_t)width * height * 4;
    if (!CodecRoomFor(out, 3 * canvas + (1u << 20))) {
        errno = ENOMEM;
        return 1;
    }
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return 1;
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&whole, &options);
    if (!decoder) return 1;
    uint8_t* frame = nullptr;
    int timestamp = 0;
    const int done = WebPAnimDecoderGetNext(decoder, &frame, &timestamp) && frame;
    if (done) PutRows(out, frame, (size_t)width * 4, 0, 0, (int)height);
    WebPAnimDecoderDelete(decoder);
    return done ? 0 : 1;
}

int WriteToVector(const uint8_t* data, size_t size, const WebPPicture* picture) {
    std::vector<uint8_t>* out = (std::vector<uint8_t>*)picture->custom_ptr;
    out->insert(out->end(), data, data + size);
    return 1;
}

}  // namespace

int DecodeWebp(const uint8_t* data, size_t size, const CodecLimits& limits, DecodedImage* out) {
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(data, size, &features) != VP8_STATUS_OK) return 1;
    if (features.has_animation) return DecodeFirstFrame(data, size, limits, out);
    return DecodeStill(data, size, features, limits, out);
}

// Lossless at a low effort level: an image-processing tool must not alter pixels behind the
// user's back, and a save should not keep the user waiting for the last few per cent of size.
int EncodeWebp(const CodecPicture& p, std::vector<uint8_t>* out) {
    if (p.width > WEBP_MAX_DIMENSION || p.height > WEBP_MAX_DIMENSION) return 1;
    WebPConfig config;
    if (!WebPConfigInit(&config) || !WebPConfigLosslessPreset(&config, 1)) return 1;
    WebPPicture picture;
    if (!WebPPictureInit(&picture)) return 1;
    picture.use_argb = 1;
    picture.width = p.width;
    picture.height = p.height;
    if (!WebPPictureAlloc(&picture)) return 1;
    for (int y = 0; y < p.height; y++) {
        const uint8_t* row = p.pixels + (size_t)y * p.stride;
        uint32_t* dst = picture.argb + (size_t)y * picture.argb_stride;
        if (p.bits == 32)
            for (int x = 0; x < p.width; x++) dst[x] = ((const uint32_t*)row)[x] | 0xFF000000u;
        else
            for (int x = 0; x < p.width; x++) dst[x] = p.palette[row[x]] | 0xFF000000u;
    }
    picture.writer = WriteToVector;
    picture.custom_ptr = out;
    const int done = WebPEncode(&config, &picture);
    WebPPictureFree(&picture);
    if (!done) out->clear();
    return done ? 0 : 1;
}
