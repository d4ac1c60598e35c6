// The layer's open and save dialogs and the file list they show. A dialog lists the folders
// and the files of one folder that match the chosen filter, and has a name field, the filter
// choice, OK and Cancel. It is modal on the caller's thread with a nested pump, so the
// thread's other windows keep working. Paths are UTF-8 of any length.
#pragma once

#include "platform/plat_types.h"

#include <string>
#include <vector>

// One choice of the filter: what the user reads and the patterns it stands for, separated by
// ';' ("*.JPG;*.JPEG"). Patterns match names without regard to case; "*.*" matches every name.
struct FileFilter {
    const char* description;
    const char* patterns;
};

struct FileDialogSetup {
    const char* title;
    const FileFilter* filters;
    int filter_count;
    int filter_index;          // 1-based: shown first, and on OK the one chosen
    const char* folder;        // the folder the dialog opens in
    const char* name;          // what the name field shows first
    bool save;                 // save: a new name is fine, an existing file is replaced only
                               // after a Yes; open: the file must exist
    size_t max_bytes;          // room the caller has for the path and its terminator (0: any)
    // Save only (may be null): the path as it will be written for this filter index, for
    // example with the format's extension added. The question about replacing a file and the
    // length check are about that path.
    std::string (*final_path)(const std::string& path, int filter_index);
};

// Runs the dialog. 0 with the chosen full path in *path and the chosen filter in
// setup->filter_index; 1 when cancelled (Cancel, Esc, the close box, a quit).
int PlatFileDialog(WindowId owner, FileDialogSetup* setup, std::string* path);
// The file dialog on screen now, or 0 (for the test driver).
WindowId PlatGetOpenFileDialog(void);

// Control ids of the dialog's parts; OK and Cancel are IDOK and IDCANCEL.
enum { FILEDLG_LIST = 100, FILEDLG_NAME = 101, FILEDLG_FILTER = 102 };

// True when name matches one of the ';'-separated patterns ('*' and '?'), ASCII letters
// compared without regard to case.
bool FileNameMatches(const char* name, const char* patterns);

// The file list ("plat_filelist"): one line per entry, folders first. A click selects
// (LBN_SELCHANGE) and a double click opens (LBN_DBLCLK); the arrow keys, Page Up/Down, Home
// and End move the selection; the wheel and clicks in the bar at the right scroll.
enum {
    LB_GETCOUNT = MSG_CONTROL_FIRST + 20,   // returns the number of entries
    LB_GETTEXT = MSG_CONTROL_FIRST + 21,    // wparam = index, lparam = std::string* (entry as shown)
    LB_GETCURSEL = MSG_CONTROL_FIRST + 22,  // returns the selected index or -1
    LB_SETCURSEL = MSG_CONTROL_FIRST + 23,  // wparam = index (-1: none); scrolls it into view
    LB_GETITEMRECT = MSG_CONTROL_FIRST + 24 // wparam = index, lparam = PlatRect* (client); 1 if shown
};
enum { LBN_SELCHANGE = 1, LBN_DBLCLK = 2 };

struct FileEntry {
    std::string name;
    bool folder;
};
void RegisterFileListClass(void);
// Replaces the entries (shown as given; a folder as "name/") and selects none.
void FileListSetEntries(WindowId list, std::vector<FileEntry> entries);
// The entry at index, or null.
const FileEntry* FileListEntry(WindowId list, int index);
