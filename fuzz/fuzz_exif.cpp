// The Exif orientation reader over any bytes, both as a whole file of any container and as a
// bare Exif block: it never reads outside them and always answers an orientation of 1..8, with
// a stored size whenever the orientation is not 1.
#include "codec/exif_orientation.h"

#include <stdlib.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const StoredOrientation o = FindStoredOrientation(data, size);
    if (o.orientation < 1 || o.orientation > 8) abort();
    if (o.orientation != 1 && (o.width <= 0 || o.height <= 0)) abort();
    int64_t width = 0, height = 0;
    const int bare = ExifOrientation(data, size, &width, &height);
    if (bare < 1 || bare > 8) abort();
    return 0;
}
