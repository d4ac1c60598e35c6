// Saving and comparing the pictures of a scripted run.
#include "script_pictures.h"

#include "imagewin/image_table.h"
#include "codec/codec.h"
#include "platform/draw/surface.h"

#include <stdlib.h>

int SaveScriptPicture(const std::string& path, const ScriptPicture& picture) {
    if (picture.width <= 0 || picture.height <= 0) return 1;
    CodecPicture p{picture.width, picture.height, 32, picture.width * 4, (const uint8_t*)picture.pixels.data(),
                   nullptr};
    return CodecEncodeFile(path.c_str(), CODEC_PNG, p) == 0 ? 0 : 1;
}

bool ImageSlotPicture(int slot, ScriptPicture* out) {
    if (slot < 0 || slot >= IMAGE_SLOTS || !image_table[slot].in_use.load()) return false;
    const ImageRecord* r = &image_table[slot];
    const uint8_t* base = image_pixels[slot];
    if (!base || !r->dib) return false;
    out->width = r->width;
    out->height = r->height;
    out->pixels.assign((size_t)r->width * (size_t)r->height, 0);
    const int stride = ImageStride(r);
    for (int y = 0; y < r->height; y++) {
        const uint8_t* row = base + (size_t)y * (size_t)stride;
        uint32_t* to = &out->pixels[(size_t)y * (size_t)r->width];
        for (int x = 0; x < r->width; x++)
            to[x] = (r->bits == 32 ? ((const uint32_t*)row)[x] : r->dib->palette[row[x]]) & 0xFFFFFFu;
    }
    return true;
}

static int Channel(uint32_t c, int shift) { return (int)((c >> shift) & 0xFF); }

static bool Close(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift <= 16; shift += 8)
        if (abs(Channel(a, shift) - Channel(b, shift)) > tolerance) return false;
    return true;
}

// Counts the pixels that differ and fills the difference picture.
static long CountDifferences(const ScriptPicture& a, const DecodedImage& b, int tolerance, ScriptPicture* diff) {
    long bad = 0;
    diff->width = a.width;
    diff->height = a.height;
    diff->pixels.assign(a.pixels.size(), 0);
    for (size_t i = 0; i < a.pixels.size(); i++) {
        uint32_t want = b.pixels ? b.pixels[i] : b.palette[b.indices[i]];
        if (Close(a.pixels[i], want & 0xFFFFFFu, tolerance)) continue;
        bad++;
        diff->pixels[i] = 0xFF0000u;
    }
    return bad;
}

int CompareScriptPicture(const ScriptPicture& picture, const std::string& png_path, int tolerance,
                         const std::string& diff_path, std::string* why) {
    DecodedImage file;
    if (CodecDecodeFile(png_path.c_str(), &file) != 0) {
        *why = "cannot read " + png_path;
        return 1;
    }
    int rc = 0;
    if (file.width != picture.width || file.height != picture.height) {
        *why = "the image is " + std::to_string(picture.width) + "x" + std::to_string(picture.height) + ", " +
               png_path + " is " + std::to_string(file.width) + "x" + std::to_string(file.height);
        rc = 1;
    } else {
        ScriptPicture diff;
        long bad = CountDifferences(picture, file, tolerance, &diff);
        if (bad > 0) {
            *why = std::to_string(bad) + " pixels differ from " + png_path;
            if (!diff_path.empty() && SaveScriptPicture(diff_path, diff) != 0)
                *why += " (cannot write " + diff_path + ")";
            rc = 1;
        }
    }
    CodecFreeImage(&file);
    return rc;
}
