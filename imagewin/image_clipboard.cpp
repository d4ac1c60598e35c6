// Clipboard pictures for the image store: the copy of an image as the bitmap block (offered as
// a BMP file under the BMP types) and as a PNG, both made here on the copying thread so that
// the display side only hands out bytes; the read of the clipboard's picture into a bitmap;
// and the paste of that picture into an image, with the clipboard commands of the window.
#include "imagewin/image_clipboard.h"

#include "imagewin/image_memory.h"
#include "imagewin/image_table.h"
#include "imagewin/nearest_color.h"
#include "platform/clip_picture.h"
#include "platform/clipboard.h"
#include "platform/draw/draw.h"
#include "platform/draw/surface.h"
#include "platform/window/window.h"
#include "pxk.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <new>
#include <vector>

static ImageRecord* UsedSlot(int index) {
    if (index < 0 || index >= IMAGE_SLOTS) return nullptr;
    ImageRecord* r = &image_table[index];
    return r->in_use.load(std::memory_order_acquire) ? r : nullptr;
}

// The BMP file of the image: file header, then the bitmap block. Null, after the box, when
// the block would not fit the format's 32-bit sizes or memory.
static uint8_t* BuildBmpFile(const CodecPicture& picture, uint64_t* file_size) {
    const uint64_t block = ClipBlockSize(picture.width, picture.height, picture.bits);
    uint8_t* file = nullptr;
    if (block + CLIP_FILE_HEADER <= UINT32_MAX)
        file = (uint8_t*)malloc((size_t)(block + CLIP_FILE_HEADER));
    if (!file) {
        PXK_Pause("No enough memory for copy");
        return nullptr;
    }
    ClipFillFileHeader(file, block, picture.bits);
    ClipFillBlock(picture, file + CLIP_FILE_HEADER);
    *file_size = block + CLIP_FILE_HEADER;
    return file;
}

extern "C" int PXK_CopyImageToClipboard(int index) {
    const ImageRecord* r = UsedSlot(index);
    if (!r) return 1;
    const CodecPicture picture{r->width, r->height, r->bits, ImageStride(r), image_pixels[index], r->dib->palette};
    uint64_t file_size = 0;
    uint8_t* file = BuildBmpFile(picture, &file_size);
    if (!file) return 3;
    // PNG is what most programs paste; one that cannot be made leaves the BMP alone.
    std::vector<uint8_t> png;
    std::vector<ClipOffer> offers;
    if (CodecEncodeBytes(CODEC_PNG, picture, &png) == 0) offers.push_back(ClipOffer{"image/png", png.data(), png.size()});
    for (int i = 0; i < CLIP_BMP_TYPE_COUNT; i++) offers.push_back(ClipOffer{kClipPictureTypes[i], file, (size_t)file_size});
    const int offered = PlatOfferClipboard(offers.data(), (int)offers.size());
    free(file);
    return offered == 0 ? 0 : 2;
}

// The clipboard's picture as a surface, and the number of its colour-table entries. The
// surface and the decoder's buffers count against the memory left beside the live images, as
// a new image would; a picture that does not fit is refused (*too_large set, errno ENOMEM).
static Surface* ReadClipboardPicture(int* colors, bool* too_large = nullptr) {
    char type[CLIP_TYPE_MAX];
    size_t size = 0;
    *colors = 0;
    if (too_large) *too_large = false;
    uint8_t* bytes = PlatReadClipboard(kClipPictureTypes, CLIP_PICTURE_TYPE_COUNT, type, &size);
    if (!bytes) return nullptr;
    const uint64_t room = MemoryRoom(), live = LiveImageBytes() + size;
    Surface* picture = nullptr;
    const int code = ClipAnswerToSurface(type, bytes, size, room > live ? room - live : 0, &picture, colors);
    free(bytes);
    if (too_large) *too_large = code == CLIP_PICTURE_TOO_LARGE;
    if (code == CLIP_PICTURE_TOO_LARGE) errno = ENOMEM;
    return picture;
}

extern "C" PXK_Bitmap* PXK_ReadClipboardBitmap(PXK_Color* colors, int* count) {
    int n = 0;
    Surface* picture = ReadClipboardPicture(&n);
    if (!picture) n = 0;
    if (colors && n > 0) memcpy(colors, picture->palette, sizeof(uint32_t) * (size_t)n);
    if (count) *count = n;
    return picture;
}

extern "C" int PXK_GetBitmapSize(const PXK_Bitmap* bitmap, int* width, int* height, int* bits) {
    if (!bitmap) return 1;
    if (width) *width = bitmap->width;
    if (height) *height = bitmap->height;
    if (bits) *bits = bitmap->bits;
    return 0;
}

extern "C" void PXK_DeleteBitmap(PXK_Bitmap* bitmap) { PlatDestroySurface(bitmap); }

// The picture's columns [x0, x1) and rows [y0, y1) that land inside the image at (x, y).
struct PasteClip {
    int64_t x, y;
    int x0, x1, y0, y1;
};

static bool ClipPaste(const Surface* p, const ImageRecord* r, int x, int y, PasteClip* c) {
    c->x = x, c->y = y;
    c->x0 = x < 0 ? (int)((int64_t)-x < p->width ? -(int64_t)x : p->width) : 0;
    c->y0 = y < 0 ? (int)((int64_t)-y < p->height ? -(int64_t)y : p->height) : 0;
    const int64_t right = (int64_t)r->width - x, bottom = (int64_t)r->height - y;
    c->x1 = (int)(right < p->width ? (right < 0 ? 0 : right) : p->width);
    c->y1 = (int)(bottom < p->height ? (bottom < 0 ? 0 : bottom) : p->height);
    return c->x0 < c->x1 && c->y0 < c->y1;
}

static uint32_t ColorAt(const Surface* p, const uint8_t* row, int i) {
    return p->bits == 32 ? ((const uint32_t*)row)[i] & 0xFFFFFFu : p->palette[row[i]];
}

static void PasteInto32(const Surface* p, const ImageRecord* r, uint8_t* pixels, const PasteClip& c) {
    for (int j = c.y0; j < c.y1; j++) {
        const uint8_t* src = SurfaceRow(p, j);
        uint32_t* dst = (uint32_t*)(pixels + (size_t)(c.y + j) * ImageStride(r)) + c.x;
        for (int i = c.x0; i < c.x1; i++) dst[i] = ColorAt(p, src, i);
    }
}

// A picture with a table keeps its indices (its table went into the image's first); every
// other colour goes to the nearest entry of the image's table.
static void PasteInto8(const Surface* p, int colors, const ImageRecord* r, uint8_t* pixels, const PasteClip& c) {
    const bool indices = p->bits == 8 && colors > 0;
    std::unique_ptr<NearestColor> owned(indices ? nullptr : new (std::nothrow) NearestColor);
    NearestColor* map = owned.get();
    if (!indices && !map) return;
    if (map) InitNearestColor(map, r->dib->palette);
    for (int j = c.y0; j < c.y1; j++) {
        const uint8_t* src = SurfaceRow(p, j);
        uint8_t* dst = pixels + (size_t)(c.y + j) * ImageStride(r) + c.x;
        for (int i = c.x0; i < c.x1; i++) dst[i] = indices ? src[i] : NearestIndex(map, ColorAt(p, src, i));
    }
}

extern "C" int PXK_PasteFromClipboard(int x, int index, int y) {
    if (!UsedSlot(index)) return 1;
    int colors = 0;
    bool too_large = false;
    SurfacePtr owned(ReadClipboardPicture(&colors, &too_large));
    Surface* picture = owned.get();
    if (!picture) return too_large ? 4 : 2;
    if (x == -1 || y == -1) {
        int cx = 0, cy = 0;
        if (PXK_GetPlacement(index, picture->width, picture->height, &cx, &cy) != PXK_TOOL_DONE) return 3;
        x = cx - picture->width / 2;
        y = cy - picture->height / 2;
    }
    const ImageRecord* r = UsedSlot(index);   // the placement pumped messages: look again
    if (!r) return 1;
    if (r->bits == 8 && colors > 0) PlatSetColorTable(r->memory_dc, 0, colors, picture->palette);
    PasteClip clip;
    if (ClipPaste(picture, r, x, y, &clip)) {
        if (r->bits == 32) PasteInto32(picture, r, image_pixels[index], clip);
        else PasteInto8(picture, colors, r, image_pixels[index], clip);
    }
    PlatInvalidateRect(r->window, nullptr, false);
    return 0;
}

void CutImageCommand(WindowId window, int index) {
    if (PXK_CopyImageToClipboard(index) != 0) return;
    PXK_ClearImage(index);
    PlatInvalidateRect(window, nullptr, false);
}

void CopyImageCommand(WindowId, int index) { PXK_CopyImageToClipboard(index); }
void PasteAtPointCommand(WindowId, int index) { PXK_PasteFromClipboard(-1, index, -1); }
void PasteAtCornerCommand(WindowId, int index) { PXK_PasteFromClipboard(0, index, 0); }
