// The image window's open and save dialogs over the layer's file dialog: their titles, their
// filters, the folder and filter each remembers for the process, and the extension rule the
// save dialog applies before it asks about replacing a file.
//
// The open filter has no WMF and EMF entries (nothing decodes them here), so ICO follows TIFF;
// WebP follows the entries of both filters.
// Both dialogs run on the thread that owns the image windows; what they remember is touched
// only there.
#include "imagewin/file_dialogs.h"
#include "codec/codec_names.h"
#include "platform/controls/file_dialog.h"
#include "platform/text.h"
#include "pxk.h"
#include "runtime/startup_state.h"

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

// "All pictures", every format the codec reads, comes first and is where the open dialog starts.
static const FileFilter OPEN_FILTERS[] = {
    {"All pictures", "*.BMP;*.RLE;*.DIB;*.JPG;*.JPEG;*.JPE;*.GIF;*.PNG;*.TIF;*.TIFF;*.ICO;*.WEBP"},
    {"All Files (*.*)", "*.*"},
    {"BMP (*.BMP;*.RLE;*.DIB)", "*.BMP;*.RLE;*.DIB"},
    {"JPEG (*.JPG;*.JPEG;*.JPE)", "*.JPG;*.JPEG;*.JPE"},
    {"CompuServe GIF (*.GIF)", "*.GIF"},
    {"PNG (*.PNG)", "*.PNG"},
    {"TIFF (*.TIF;*.TIFF)", "*.TIF;*.TIFF"},
    {"ICO (*.ICO)", "*.ICO"},
    {"WebP (*.WEBP)", "*.WEBP"},
};
// The save filter is the open filter's entries from "All Files" to TIFF with WebP after them.
static const FileFilter SAVE_FILTERS[] = {
    OPEN_FILTERS[1], OPEN_FILTERS[2], OPEN_FILTERS[3], OPEN_FILTERS[4],
    OPEN_FILTERS[5], OPEN_FILTERS[6], OPEN_FILTERS[8],
};
enum { OPEN_FILTER_COUNT = 9, SAVE_FILTER_COUNT = 7 };

// Save filter index 1..7 -> format index: "All Files" and "BMP" both save BMP.
static const int SAVE_FORMATS[SAVE_FILTER_COUNT + 1] = {0, 0, 0, 1, 2, 3, 4, PXK_FILE_WEBP};

static int g_open_filter = 1;
static int g_save_filter = 2;
static int g_save_format = 0;   // the format of the path the save dialog last returned

int SaveDialogFormat(void) { return g_save_format; }

// The format a path typed into the save dialog is written in: the one its extension names when
// it is a format we write (shot.png is a PNG whatever the filter), otherwise the filter's.
static int ChosenFormat(const std::string& path, int filter_index) {
    const CodecFormat typed = CodecFormatOfName(path);
    if (typed == CODEC_WEBP) return PXK_FILE_WEBP;
    return typed != CODEC_UNKNOWN ? (int)typed : SAVE_FORMATS[filter_index];
}

static std::string FinalSavePath(const std::string& path, int filter_index) {
    return CodecPathWithExtension(path, CodecSaveFormat(ChosenFormat(path, filter_index)));
}

// The remembered folder, or the current one before the program has read its start folders.
static std::string FolderOrCurrent(const char* folder) {
    if (folder) return folder;
    char* cwd = getcwd(nullptr, 0);
    std::string out = cwd ? cwd : "/";
    free(cwd);
    return out;
}

// Replaces a remembered folder (both copies) by the folder of the chosen file.
static void RememberFolder(char** narrow, char16_t** wide, const std::string& file) {
    size_t slash = file.rfind('/');
    std::string folder = slash == 0 || slash == std::string::npos ? "/" : file.substr(0, slash);
    char* n = (char*)malloc(folder.size() + 1);
    char16_t* w = (char16_t*)malloc((folder.size() + 1) * sizeof(char16_t));
    if (!n || !w) {
        free(n);
        free(w);
        return;
    }
    memcpy(n, folder.c_str(), folder.size() + 1);
    Utf8ToUtf16(folder.c_str(), -1, w, (int)folder.size() + 1);
    free(*narrow);
    free(*wide);
    *narrow = n;
    *wide = w;
}

static int RunDialog(WindowId owner, FileDialogSetup* setup, char* path, int size) {
    if (!path || size < 1) return 1;
    std::string chosen;
    if (PlatFileDialog(owner, setup, &chosen) != 0) return 1;
    memcpy(path, chosen.c_str(), chosen.size() + 1);   // the dialog took only what fits
    return 0;
}

int RunOpenImageDialog(WindowId owner, char* path, int size) {
    std::string folder = FolderOrCurrent(open_dir);
    FileDialogSetup setup{"Load image file", OPEN_FILTERS, OPEN_FILTER_COUNT, g_open_filter, folder.c_str(),
                          OPEN_FILTERS[g_open_filter - 1].patterns, false, (size_t)(size > 0 ? size : 1), nullptr};
    if (RunDialog(owner, &setup, path, size) != 0) return 1;
    g_open_filter = setup.filter_index;
    RememberFolder(&open_dir, &open_dir_w, path);
    return 0;
}

int RunSaveImageDialog(WindowId owner, char* path, int size) {
    std::string folder = FolderOrCurrent(save_dir);
    FileDialogSetup setup{"Save as", SAVE_FILTERS, SAVE_FILTER_COUNT, g_save_filter, folder.c_str(), "noname", true,
                          (size_t)(size > 0 ? size : 1), FinalSavePath};
    if (RunDialog(owner, &setup, path, size) != 0) return 1;
    g_save_filter = setup.filter_index;
    g_save_format = ChosenFormat(path, g_save_filter);
    RememberFolder(&save_dir, &save_dir_w, path);
    return 0;
}

int PXK_OpenImageFileDialog(char* path, int size) { return RunOpenImageDialog(0, path, size); }

int PXK_SaveImageFileDialog(char* path, int size) { return RunSaveImageDialog(0, path, size); }
