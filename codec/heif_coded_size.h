// The sizes libheif's decoders will allocate for when they decode a HEIF file's primary image,
// read from the file's own boxes and coded streams before anything is decoded. The boxes
// that state a picture's size (ispe) are not what the decoders obey: the HEVC decoder
// allocates for the sequence parameter set's picture size, the AV1 decoder for the sequence
// header's largest frame, and libheif for a grid's or overlay's canvas. A file may state a
// small picture in its boxes and code a huge one, so the decode is judged by these instead.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct HeifCodedSize {
    int64_t canvas_width = 0;       // the primary image as libheif assembles it (a grid's or
    int64_t canvas_height = 0;      // overlay's canvas, or the coded picture itself)
    uint64_t canvas_pixels = 0;     // the canvases of the primary image and its auxiliary images
    int64_t largest_width = 0;      // the largest coded picture among those decoded
    int64_t largest_height = 0;
    uint64_t largest_pixels = 0;
    uint64_t largest_plane_bytes = 0;  // its planes (luma and chroma) at its sample size
    int coded_pictures = 0;         // coded pictures decoded (tiles, overlays, alpha)
    bool deep = false;              // some coded picture has samples of more than 8 bits
    bool beyond_boxes = false;      // some picture or canvas exceeds its ispe by more than one
                                    // largest coding block in either direction
};

// The largest coding block: what a coded picture may add to the size its boxes state.
const int64_t HEIF_CODING_BLOCK = 64;

// Reads the sizes of the primary image of a HEIF file (HEIC or AVIF) and of what it is made
// of. 0 done; 1 the boxes cannot be read, the primary image is of a kind libheif 1.15 does
// not decode, or a coded picture's size cannot be found (a missing or damaged parameter set).
int HeifFindCodedSize(const uint8_t* data, size_t size, HeifCodedSize* out);

// The coded picture size of an HEVC sequence parameter set NAL unit (with its two-byte
// header and emulation-prevention bytes), its samples per pixel times two (2 grey, 3 for 4:2:0,
// 4 for 4:2:2, 6 for 4:4:4) and its bits per sample: 0 done, 1 damaged. Exposed for the tests.
int HevcSpsSize(const uint8_t* nal, size_t size, int64_t* width, int64_t* height, int* chroma, int* bits);
// The largest frame of an AV1 sequence header OBU's payload: 0 done, 1 damaged.
int Av1SequenceSize(const uint8_t* payload, size_t size, int64_t* width, int64_t* height);
