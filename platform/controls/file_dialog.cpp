// The open and save dialogs: "Look in" with the folder shown, the file list, the name field,
// the filter choice (a button that opens a menu of the filters), OK and Cancel. The folder is
// kept as a whole UTF-8 path; the field holds only what the user types (a name, a relative or
// absolute path, or patterns such as "*.png" that then filter the list).
//
// OK (or Enter) on a folder opens it, on a file chooses it: an open dialog takes only an
// existing regular file; a save dialog needs an existing folder, turns the name into the path
// that will be written, and asks before replacing a file. A path longer than the caller's
// buffer is refused with a message and the dialog stays open, so a name is never cut.
#include "platform/controls/controls.h"
#include "platform/controls/dialog.h"
#include "platform/controls/dialog_window.h"
#include "platform/controls/file_dialog.h"
#include "platform/draw/draw.h"
#include "platform/font/font.h"
#include "platform/text.h"
#include "platform/window/menu.h"
#include "platform/window/window.h"

#include <algorithm>
#include <atomic>
#include <dirent.h>
#include <string.h>
#include <sys/stat.h>

enum {
    DLG_WIDTH = 460, DLG_HEIGHT = 316, MARGIN = 8, LABEL_WIDTH = 88, FIELD_HEIGHT = 23,
    BUTTON_WIDTH = 80, LIST_TOP = 30, LIST_HEIGHT = 200, FILTER_ID_BASE = 1000
};

static const char* const DIALOG_CLASS = "plat_filedlg";

struct DialogState {
    FileDialogSetup* setup;
    std::string folder;
    std::string pattern;       // patterns typed into the field, in force until the filter changes
    WindowId window, list, name, filter;
    int done;                  // non-zero once answered
    int result;
    std::string chosen;
};

static std::atomic<WindowId> g_open_dialog{0};

WindowId PlatGetOpenFileDialog(void) { return g_open_dialog.load(std::memory_order_acquire); }

static DialogState* StateOf(WindowId window) { return (DialogState*)PlatGetWindowData(window); }

// ---- Names and folders ---------------------------------------------------------------------

static char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 32) : c; }

static bool MatchOne(const char* name, const char* pat, const char* pat_end) {
    if (pat == pat_end) return *name == 0;
    if (*pat == '*') {
        for (const char* n = name;; n++) {
            if (MatchOne(n, pat + 1, pat_end)) return true;
            if (*n == 0) return false;
        }
    }
    if (*name == 0) return false;
    if (*pat != '?' && FoldAscii(*pat) != FoldAscii(*name)) return false;
    return MatchOne(name + 1, pat + 1, pat_end);
}

bool FileNameMatches(const char* name, const char* patterns) {
    for (const char* p = patterns; *p;) {
        const char* end = strchr(p, ';');
        if (!end) end = p + strlen(p);
        // "*.*" stands for every file, with or without a dot in its name.
        if (end - p == 3 && strncmp(p, "*.*", 3) == 0) return true;
        if (end > p && MatchOne(name, p, end)) return true;
        p = *end ? end + 1 : end;
    }
    return false;
}

static bool HasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

static bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

static bool IsRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

static bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// An absolute path with "." and ".." taken out, never ending in '/' except the root.
static std::string Normalize(const std::string& path) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = path.find('/', i);
        if (j == std::string::npos) j = path.size();
        std::string part = path.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (const std::string& p : parts) out += "/" + p;
    return out.empty() ? "/" : out;
}

static std::string Resolve(const std::string& folder, const std::string& typed) {
    return Normalize(typed[0] == '/' ? typed : folder + "/" + typed);
}

static std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

static bool NameBefore(const FileEntry& a, const FileEntry& b) {
    if (a.folder != b.folder) return a.folder;
    if (a.name == "..") return true;
    if (b.name == "..") return false;
    std::string fa = a.name, fb = b.name;
    for (char& c : fa) c = FoldAscii(c);
    for (char& c : fb) c = FoldAscii(c);
    return fa != fb ? fa < fb : a.name < b.name;
}

// The folders of the folder (with ".." below the root) and its regular files that match.
// Names starting with a dot are hidden, as file managers do.
static std::vector<FileEntry> ReadFolder(const std::string& folder, const char* patterns) {
    std::vector<FileEntry> out;
    if (folder != "/") out.push_back(FileEntry{"..", true});
    DIR* dir = opendir(folder.c_str());
    if (!dir) return out;
    while (struct dirent* d = readdir(dir)) {
        if (d->d_name[0] == '.') continue;
        std::string full = (folder == "/" ? "/" : folder + "/") + d->d_name;
        if (IsFolder(full)) out.push_back(FileEntry{d->d_name, true});
        else if (IsRegularFile(full) && FileNameMatches(d->d_name, patterns)) out.push_back(FileEntry{d->d_name, false});
    }
    closedir(dir);
    std::sort(out.begin(), out.end(), NameBefore);
    return out;
}

// ---- Text of windows -----------------------------------------------------------------------

static std::u16string Wide(const std::string& s) {
    std::vector<char16_t> w(s.size() + 1);
    int n = Utf8ToUtf16(s.c_str(), (int)s.size(), w.data(), (int)w.size());
    return std::u16string(w.data(), (size_t)(n > 0 ? n : 0));
}

static std::string FieldText(DialogState* st) {
    char16_t text[256];
    int n = PlatGetWindowText(st->name, text, 256);
    char out[1024];
    int bytes = Utf16ToUtf8(text, n, out, sizeof out);
    return std::string(out, (size_t)(bytes > 0 ? bytes : 0));
}

static void SetText(WindowId window, const std::string& text) { PlatSetWindowText(window, Wide(text).c_str()); }

// After a message the user goes on typing in the name field, its text selected.
static void BackToName(DialogState* st) {
    PlatSetFocus(st->name);
    PlatSendMessage(st->name, EM_SETSEL, 0, -1);
}

static void Complain(DialogState* st, const std::string& path, const char* why) {
    PlatMessageBox(st->window, Wide(path + "\n" + why).c_str(), Wide(st->setup->title).c_str(), MBOX_ICONERROR);
    BackToName(st);
}

// ---- What the dialog does ------------------------------------------------------------------

static const FileFilter& CurrentFilter(DialogState* st) { return st->setup->filters[st->setup->filter_index - 1]; }

static void Refill(DialogState* st) {
    const char* patterns = st->pattern.empty() ? CurrentFilter(st).patterns : st->pattern.c_str();
    FileListSetEntries(st->list, ReadFolder(st->folder, patterns));
    PlatInvalidateRect(st->window, nullptr, false);
}

static void EnterFolder(DialogState* st, const std::string& folder) {
    st->folder = folder;
    Refill(st);
}

static void SetFilter(DialogState* st, int index) {
    if (index < 1 || index > st->setup->filter_count) return;
    st->setup->filter_index = index;
    st->pattern.clear();
    SetText(st->filter, CurrentFilter(st).description);
    if (HasWildcard(FieldText(st))) SetText(st->name, CurrentFilter(st).patterns);
    Refill(st);
}

// True when the user wants this existing file replaced (a save dialog asks).
static bool MayReplace(DialogState* st, const std::string& path) {
    std::string text = path + "\nalready exists. Do you want to replace it?";
    bool yes = PlatMessageBox(st->window, Wide(text).c_str(), Wide(st->setup->title).c_str(), MBOX_YESNO) == IDYES;
    if (!yes) BackToName(st);
    return yes;
}

static void Accept(DialogState* st, std::string path) {
    FileDialogSetup* setup = st->setup;
    if (!setup->save && !IsRegularFile(path)) return Complain(st, path, "File not found.");
    if (setup->save && !IsFolder(FolderOf(path))) return Complain(st, path, "The folder does not exist.");
    if (setup->save && setup->final_path) path = setup->final_path(path, setup->filter_index);
    if (setup->max_bytes && path.size() + 1 > setup->max_bytes)
        return Complain(st, path, "The path is too long for the program. Choose a shorter one.");
    if (setup->save && IsFolder(path)) return Complain(st, path, "This is a folder.");
    if (setup->save && Exists(path) && !MayReplace(st, path)) return;
    st->chosen = path;
    st->result = 0;
    st->done = 1;
}

static void OnOk(DialogState* st) {
    int selected = (int)PlatSendMessage(st->list, LB_GETCURSEL, 0, 0);
    const FileEntry* entry = FileListEntry(st->list, selected);
    if (PlatGetFocus() == st->list && entry && entry->folder) return EnterFolder(st, Resolve(st->folder, entry->name));
    std::string typed = FieldText(st);
    if (typed.empty()) return;
    if (HasWildcard(typed)) {
        st->pattern = typed;
        BackToName(st);
        return Refill(st);
    }
    std::string path = Resolve(st->folder, typed);
    if (IsFolder(path)) {
        SetText(st->name, "");
        return EnterFolder(st, path);
    }
    Accept(st, path);
}

static void OnListNotify(DialogState* st, int code) {
    const FileEntry* entry = FileListEntry(st->list, (int)PlatSendMessage(st->list, LB_GETCURSEL, 0, 0));
    if (!entry) return;
    if (code == LBN_SELCHANGE && !entry->folder) SetText(st->name, entry->name);
    if (code != LBN_DBLCLK) return;
    if (entry->folder) EnterFolder(st, Resolve(st->folder, entry->name));
    else Accept(st, Resolve(st->folder, entry->name));
}

static void OnFilterButton(DialogState* st) {
    Menu* menu = PlatCreatePopupMenu();
    for (int i = 0; i < st->setup->filter_count; i++)
        PlatInsertMenuItem(menu, i, 0, FILTER_ID_BASE + i + 1, Wide(st->setup->filters[i].description).c_str());
    PlatRect r;
    PlatGetWindowRect(st->filter, &r);
    // The chosen item comes back as a command to the dialog.
    PlatTrackPopupMenu(menu, r.left, r.bottom, st->window);
    PlatDestroyMenu(menu);
}

static void Finish(DialogState* st, int result) {
    st->result = result;
    st->done = 1;
}

static intptr_t OnDialogCommand(WindowId window, uintptr_t wparam) {
    DialogState* st = StateOf(window);
    if (!st) return 0;
    int id = ParamX((intptr_t)wparam), code = ParamY((intptr_t)wparam);
    if (id == IDOK) OnOk(st);
    else if (id == IDCANCEL) Finish(st, 1);
    else if (id == FILEDLG_LIST) OnListNotify(st, code);
    else if (id == FILEDLG_FILTER && code == BN_CLICKED) OnFilterButton(st);
    else if (id > FILTER_ID_BASE) SetFilter(st, id - FILTER_ID_BASE);
    return 0;
}

// The end of text that fits `room` pixels after "...", or the whole text when it fits.
// Measured character by character from the end, so a deep folder costs one pass.
static std::u16string FitEnd(DrawContext* dc, const std::u16string& text, int room) {
    if (PlatGetTextExtent(dc, text.c_str(), (int)text.size()).cx <= room) return text;
    int left = room - PlatGetTextExtent(dc, u"...", 3).cx;
    size_t start = text.size();
    while (start > 0) {
        size_t from = start - 1;
        if (from > 0 && text[from] >= 0xDC00 && text[from] <= 0xDFFF) from--;
        left -= PlatGetTextExtent(dc, text.c_str() + from, (int)(start - from)).cx;
        if (left < 0) break;
        start = from;
    }
    return u"..." + text.substr(start);
}

// "Look in:" and the folder; a folder too wide for the line shows its end after "...".
static intptr_t OnDialogPaint(WindowId window) {
    PlatRect invalid;
    PlatBeginPaint(window, &invalid);
    DialogState* st = StateOf(window);
    DrawContext* dc = PlatGetWindowContext(window);
    if (st && dc) {
        PlatRect line{0, 0, DLG_WIDTH, LIST_TOP};
        PlatFillRect(dc, &line, SysColor(SYS_COLOR_FACE));
        PlatSelectFont(dc, PlatGetStockFont(STOCK_GUI_FONT));
        PlatSetBackMode(dc, BACK_TRANSPARENT);
        PlatSetTextColor(dc, SysColor(SYS_COLOR_WINDOW_TEXT));
        PlatTextOut(dc, MARGIN, MARGIN, u"Look in:", 8);
        std::u16string shown = FitEnd(dc, Wide(st->folder), DLG_WIDTH - 2 * MARGIN - LABEL_WIDTH);
        PlatTextOut(dc, MARGIN + LABEL_WIDTH, MARGIN, shown.c_str(), (int)shown.size());
    }
    PlatEndPaint(window);
    return 0;
}

static intptr_t OnDialogClose(WindowId window) {
    if (DialogState* st = StateOf(window)) Finish(st, 1);
    return 0;
}

static intptr_t FileDialogProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case MSG_PAINT: return OnDialogPaint(window);
    case MSG_COMMAND: return OnDialogCommand(window, wparam);
    case MSG_CLOSE: return OnDialogClose(window);
    default: return PlatDefWindowProc(window, msg, wparam, lparam);
    }
}

// ---- Building and running ------------------------------------------------------------------

static WindowId Child(DialogState* st, const char* cls, const std::string& text, uint32_t style, uint32_t ex,
                      int id, int x, int y, int w, int h) {
    std::u16string wide = Wide(text);
    WindowCreate c{};
    c.class_name = cls;
    c.text = wide.c_str();
    c.style = STYLE_CHILD | STYLE_VISIBLE | style;
    c.ex_style = ex;
    c.x = x;
    c.y = y;
    c.width = w;
    c.height = h;
    c.parent = st->window;
    c.id = id;
    return PlatCreateWindow(&c);
}

// Creates the dialog centred on the work area with its controls, tab stops in the order
// name, list, filter, OK, Cancel.
static bool CreateDialog(DialogState* st, WindowId owner) {
    WindowClassDesc d{DIALOG_CLASS, FileDialogProc, 0, SysColor(SYS_COLOR_FACE)};
    PlatRegisterClass(&d);   // a second time finds it registered, which is fine
    RegisterFileListClass();
    std::u16string title = Wide(st->setup->title);
    PlatSize client{DLG_WIDTH, DLG_HEIGHT};
    st->window = CreateCenteredDialog(DIALOG_CLASS, title.c_str(), client, owner, (intptr_t)st);
    if (!st->window) return false;
    const int row1 = LIST_TOP + LIST_HEIGHT + MARGIN, row2 = row1 + FIELD_HEIGHT + MARGIN;
    const int field_x = MARGIN + LABEL_WIDTH, field_w = DLG_WIDTH - field_x - 2 * MARGIN - BUTTON_WIDTH;
    const int button_x = DLG_WIDTH - MARGIN - BUTTON_WIDTH;
    Child(st, "STATIC", "File name:", STATIC_SIMPLE, 0, 0, MARGIN, row1 + 4, LABEL_WIDTH, FIELD_HEIGHT);
    Child(st, "STATIC", "Files of type:", STATIC_SIMPLE, 0, 0, MARGIN, row2 + 4, LABEL_WIDTH, FIELD_HEIGHT);
    st->name = Child(st, "EDIT", st->setup->name ? st->setup->name : "", (uint32_t)STYLE_TABSTOP | EDIT_AUTOHSCROLL,
                     EXSTYLE_CLIENTEDGE, FILEDLG_NAME, field_x, row1, field_w, FIELD_HEIGHT);
    st->list = Child(st, "plat_filelist", "", STYLE_TABSTOP, EXSTYLE_CLIENTEDGE, FILEDLG_LIST, MARGIN, LIST_TOP,
                     DLG_WIDTH - 2 * MARGIN, LIST_HEIGHT);
    st->filter = Child(st, "BUTTON", CurrentFilter(st).description, STYLE_TABSTOP, 0, FILEDLG_FILTER, field_x, row2,
                       field_w, FIELD_HEIGHT);
    Child(st, "BUTTON", "OK", (uint32_t)STYLE_TABSTOP | BUTTON_DEFPUSH, 0, IDOK, button_x, row1, BUTTON_WIDTH, FIELD_HEIGHT);
    Child(st, "BUTTON", "Cancel", STYLE_TABSTOP, 0, IDCANCEL, button_x, row2, BUTTON_WIDTH, FIELD_HEIGHT);
    return st->name && st->list && st->filter;
}

// Before the dialog is published: the user types into the name field first.
static void OnDialogShown(WindowId, void* data) { BackToName((DialogState*)data); }

// Esc anywhere in the dialog cancels it; Tab and Enter move between and press its controls.
static bool OnDialogMessage(WindowId dialog, void* data, const Message* m) {
    if (m->type == MSG_KEYDOWN && m->wparam == KEY_ESCAPE && m->window && PlatGetTopLevel(m->window) == dialog) {
        Finish((DialogState*)data, 1);
        return true;
    }
    return PlatIsDialogMessage(dialog, m);
}

int PlatFileDialog(WindowId owner, FileDialogSetup* setup, std::string* path) {
    if (!setup || !path || setup->filter_count < 1) return 1;
    if (setup->filter_index < 1 || setup->filter_index > setup->filter_count) setup->filter_index = 1;
    const int start_filter = setup->filter_index;
    DialogState st{setup, Normalize(setup->folder && setup->folder[0] == '/' ? setup->folder : "/"), "", 0, 0, 0, 0,
                   0, 1, ""};
    if (!CreateDialog(&st, owner)) {
        if (st.window) PlatDestroyWindow(st.window);
        return 1;
    }
    Refill(&st);
    RunModalDialog(ModalDialog{st.window, owner, &st.done, &g_open_dialog, &st, OnDialogShown, OnDialogMessage});
    int result = st.done ? st.result : 1;
    if (result == 0) *path = st.chosen;
    else setup->filter_index = start_filter;
    return result;
}
