// File names of the save formats: each format's extensions as the open dialog's filter lists
// them, and the rule that gives a saved file its extension.
#pragma once

#include <string>

#include "codec/codec.h"

// The format of a save format index (the public PXK_FILE_ numbers: 0..4 BMP to TIFF, 5 WebP),
// or CODEC_UNKNOWN.
CodecFormat CodecSaveFormat(int index);
// The extension a save in this format appends (".bmp", ".jpg", ".gif", ".png", ".tif", ".webp"), or
// null for a format that is not saved.
const char* CodecSaveExtension(CodecFormat format);
// The save format whose extension the path's name ends with (any case), or CODEC_UNKNOWN.
CodecFormat CodecFormatOfName(const std::string& path);
// The path a save in this format writes: unchanged when its name already ends with one of the
// format's extensions (any case; JPEG also .jpeg and .jpe, TIFF .tiff, BMP .dib and .rle),
// otherwise with the format's extension appended. Never shortened.
std::string CodecPathWithExtension(const std::string& path, CodecFormat format);
