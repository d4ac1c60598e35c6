// Format sniffing: a file's format from its first bytes, never from its name, so a file
// saved under the wrong extension still loads.
#include <string.h>

#include "codec/codec.h"
#include "codec/codec_bmp.h"
#include "codec/codec_heif.h"

CodecFormat CodecSniff(const uint8_t* d, size_t n) {
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (n >= 8 && memcmp(d, png, 8) == 0) return CODEC_PNG;
    if (n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return CODEC_JPEG;
    if (n >= 6 && (memcmp(d, "GIF87a", 6) == 0 || memcmp(d, "GIF89a", 6) == 0)) return CODEC_GIF;
    if (n >= 4 && (memcmp(d, "II*\0", 4) == 0 || memcmp(d, "MM\0*", 4) == 0)) return CODEC_TIFF;
    if (n >= 12 && memcmp(d, "RIFF", 4) == 0 && memcmp(d + 8, "WEBP", 4) == 0) return CODEC_WEBP;
    if (LooksLikeHeif(d, n)) return CODEC_HEIF;
    if (n >= 2 && d[0] == 'B' && d[1] == 'M') return CODEC_BMP;
    if (n >= 6 && d[0] == 0 && d[1] == 0 && d[2] == 1 && d[3] == 0 && (d[4] | d[5]) != 0) return CODEC_ICO;
    if (LooksLikeDib(d, n)) return CODEC_DIB;
    return CODEC_UNKNOWN;
}
