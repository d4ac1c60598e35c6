// Opening a picture file as a new image (PXK_OpenImageFile) and telling what such an image
// would be from the file's header alone (PXK_ImageFileInfo). Both choose the depth by the same
// rule: 8 bits with the picture's own colour table when its pixels index one, otherwise 32.
// The picture is decoded whole before the image is made, so a file that cannot be read or a
// picture that does not fit leaves no image and no slot behind.
#include <errno.h>
#include <string.h>

#include <string>

#include "imagewin/image_caption.h"
#include "imagewin/image_files.h"
#include "imagewin/image_memory.h"
#include "imagewin/image_probe.h"
#include "imagewin/image_table.h"
#include "codec/codec.h"
#include "platform/text.h"
#include "pxk.h"

namespace {

// The longest title that leaves room in the caption for the longest zoom and its suffixes
// ("(1600%)[8bit]*"), so that the caption shows the title whole.
const int TITLE_LIMIT = IMAGE_CAPTION_MAX - 16;

// The file-name part of the path, cut at a character boundary to fit a title.
std::string TitleOf(const char* path) {
    const char* slash = strrchr(path, '/');
    const char* name = slash ? slash + 1 : path;
    return std::string(name, (size_t)Utf8CutLength(name, (int)strlen(name), TITLE_LIMIT));
}

int LowestFreeSlot(void) {
    for (int k = 0; k < IMAGE_SLOTS; k++)
        if (!image_table[k].in_use.load(std::memory_order_acquire)) return k;
    return -1;
}

}  // namespace

extern "C" int PXK_ImageFileInfo(const char* path, int* width, int* height, int* bits) {
    int w = 0, h = 0;
    bool indexed = false;
    if (!path || ProbeImageFileInfo(path, &w, &h, &indexed) != PROBE_OK) return 1;
    if (width) *width = w;
    if (height) *height = h;
    if (bits) *bits = indexed ? 8 : 32;
    return 0;
}

extern "C" int PXK_OpenImageFile(const char* path) {
    const int slot = LowestFreeSlot();
    if (slot < 0) return -2;
    if (!path) return -1;
    // The probe tells whether the pixels index a colour table; a picture whose header it
    // cannot read is still decoded, as 32 bits.
    int probed_w = 0, probed_h = 0;
    bool indexed = false;
    ProbeImageFileInfo(path, &probed_w, &probed_h, &indexed);
    DecodedImage d;
    if (CodecDecodeFile(path, CodecDefaultLimits(LiveImageBytes()), &d)) return errno == ENOMEM ? -3 : -1;
    const int bits = indexed && d.indices && d.palette_count > 0 ? 8 : 32;
    // Codes 2 (no zoom fits the screen) and 3 (no memory for the pixels) both mean a picture
    // too large to show; the slot is free, so 1 and 4 cannot come.
    if (PXK_CreateImageEx(slot, TitleOf(path).c_str(), -1, -1, d.picture_width, d.picture_height, 100, bits, 1) != 0) {
        CodecFreeImage(&d);
        return -3;
    }
    DrawDecodedPicture(d, 0, 0);
    CodecFreeImage(&d);
    PXK_RedrawImage(slot);
    return slot;
}
