// The extension rule of saved image files: the path a save writes for a format index 0..4
// (BMP, JPEG, GIF, PNG, TIFF). Both the save dialog and the save itself use it, so the name
// the dialog asked about is the name written.
#pragma once

#include <string>

enum { IMAGE_FORMAT_COUNT = 5 };

// path unchanged when it already ends in one of the format's extensions (compared without
// regard to case: .bmp/.dib/.rle, .jpg/.jpeg/.jpe, .gif, .png, .tif/.tiff), otherwise with the
// format's own extension appended (".bmp", ".jpg", ".gif", ".png", ".tif"). A format index
// outside 0..4 leaves the path as it is.
std::string SavePathForFormat(const std::string& path, int format);
