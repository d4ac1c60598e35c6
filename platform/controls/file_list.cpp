// The file list of the open and save dialogs: a white box of lines, one per folder or file,
// with the selected line highlighted and a plain scroll bar at the right whose thumb shows
// which part of the list is in view. Folders are shown as "name/". The list owns its entries;
// the dialog fills it and learns of selections and double clicks through MSG_COMMAND.
#include "platform/controls/control_paint.h"
#include "platform/controls/file_dialog.h"
#include "platform/draw/draw.h"
#include "platform/draw/system_colors.h"
#include "platform/font/font.h"
#include "platform/text.h"
#include "platform/window/window.h"

void NotifyControlParent(WindowId control, int code);

enum { LIST_MARGIN = 2, BAR_WIDTH = 14, ROW_HEIGHT = 17 };

struct FileListState {
    std::vector<FileEntry> entries;
    int selected = -1;
    int top = 0;              // first entry in view
};

static FileListState* StateOf(WindowId list) { return (FileListState*)PlatGetWindowData(list); }

static std::string Shown(const FileEntry& e) { return e.folder ? e.name + "/" : e.name; }

static int VisibleRows(WindowId list) {
    PlatRect c;
    PlatGetClientRect(list, &c);
    int rows = (RectHeight(c) - 2 * LIST_MARGIN) / ROW_HEIGHT;
    return rows > 1 ? rows : 1;
}

static void ClampTop(WindowId list, FileListState* s) {
    int max_top = (int)s->entries.size() - VisibleRows(list);
    if (s->top > max_top) s->top = max_top;
    if (s->top < 0) s->top = 0;
}

static void DrawRow(DrawContext* dc, const FileListState* s, int index, int y, int width) {
    const bool selected = index == s->selected;
    PlatRect row{LIST_MARGIN, y, width - BAR_WIDTH - LIST_MARGIN, y + ROW_HEIGHT};
    if (selected) PlatFillRect(dc, &row, SysColor(SYS_COLOR_HIGHLIGHT));
    PlatSetTextColor(dc, SysColor(selected ? SYS_COLOR_HIGHLIGHT_TEXT : SYS_COLOR_WINDOW_TEXT));
    std::string text = Shown(s->entries[(size_t)index]);
    std::vector<char16_t> wide(text.size() + 1);
    int n = Utf8ToUtf16(text.c_str(), (int)text.size(), wide.data(), (int)wide.size());
    PlatTextOut(dc, LIST_MARGIN + 2, y + 1, wide.data(), n);
}

static void DrawScrollBar(DrawContext* dc, const FileListState* s, int rows, int width, int height) {
    PlatRect bar{width - BAR_WIDTH, 0, width, height};
    PlatFillRect(dc, &bar, SysColor(SYS_COLOR_FACE));
    int count = (int)s->entries.size();
    if (count <= rows) return;
    int thumb_h = height * rows / count, thumb_top = height * s->top / count;
    if (thumb_h < 8) thumb_h = 8;
    PlatRect thumb{width - BAR_WIDTH + 2, thumb_top, width - 2, thumb_top + thumb_h};
    PlatFillRect(dc, &thumb, SysColor(SYS_COLOR_BUTTON_EDGE));
}

static intptr_t OnListPaint(WindowId list) {
    FileListState* s = StateOf(list);
    ControlPaint paint;
    if (!BeginControlPaint(list, &paint)) return 0;
    PlatRect client{0, 0, paint.width, paint.height};
    PlatFillRect(paint.dc, &client, SysColor(SYS_COLOR_EDIT_BACK));
    if (s) {
        PlatSetBackMode(paint.dc, BACK_TRANSPARENT);
        int rows = VisibleRows(list);
        for (int i = 0; i < rows && s->top + i < (int)s->entries.size(); i++)
            DrawRow(paint.dc, s, s->top + i, LIST_MARGIN + i * ROW_HEIGHT, paint.width);
        DrawScrollBar(paint.dc, s, rows, paint.width, paint.height);
    }
    EndControlPaint(&paint);
    return 0;
}

// Selects an entry (clamped to the list), scrolls it into view and tells the parent.
static void Select(WindowId list, FileListState* s, int index, bool notify) {
    int count = (int)s->entries.size();
    if (count == 0) return;
    if (index >= count) index = count - 1;
    if (index < 0) index = 0;
    int rows = VisibleRows(list);
    if (index < s->top) s->top = index;
    if (index >= s->top + rows) s->top = index - rows + 1;
    bool changed = index != s->selected;
    s->selected = index;
    PlatInvalidateRect(list, nullptr, false);
    if (changed && notify) NotifyControlParent(list, LBN_SELCHANGE);
}

static int RowAt(WindowId list, FileListState* s, int y) {
    int row = (y - LIST_MARGIN) / ROW_HEIGHT;
    if (y < LIST_MARGIN || row >= VisibleRows(list)) return -1;
    int index = s->top + row;
    return index < (int)s->entries.size() ? index : -1;
}

static intptr_t OnListButtonDown(WindowId list, intptr_t lparam, bool twice) {
    FileListState* s = StateOf(list);
    PlatSetFocus(list);
    if (!s) return 0;
    PlatRect c;
    PlatGetClientRect(list, &c);
    int x = ParamX(lparam), y = ParamY(lparam);
    if (x >= RectWidth(c) - BAR_WIDTH) {
        // A click in the bar pages towards the click.
        int rows = VisibleRows(list), count = (int)s->entries.size();
        s->top += (count > 0 && y < RectHeight(c) * s->top / count) ? -rows : rows;
        ClampTop(list, s);
        PlatInvalidateRect(list, nullptr, false);
        return 0;
    }
    int index = RowAt(list, s, y);
    if (index < 0) return 0;
    Select(list, s, index, true);
    if (twice) NotifyControlParent(list, LBN_DBLCLK);
    return 0;
}

static intptr_t OnListKey(WindowId list, uintptr_t key) {
    FileListState* s = StateOf(list);
    if (!s) return 0;
    int rows = VisibleRows(list), at = s->selected;
    switch (key) {
    case KEY_UP: Select(list, s, at - 1, true); break;
    case KEY_DOWN: Select(list, s, at + 1, true); break;
    case KEY_PRIOR: Select(list, s, at - rows, true); break;
    case KEY_NEXT: Select(list, s, at + rows, true); break;
    case KEY_HOME: Select(list, s, 0, true); break;
    case KEY_END: Select(list, s, (int)s->entries.size() - 1, true); break;
    default: break;
    }
    return 0;
}

static intptr_t OnListWheel(WindowId list, uintptr_t wparam) {
    FileListState* s = StateOf(list);
    if (!s) return 0;
    s->top -= 3 * ParamY((intptr_t)wparam) / 120;
    ClampTop(list, s);
    PlatInvalidateRect(list, nullptr, false);
    return 0;
}

static intptr_t OnListGetText(WindowId list, uintptr_t index, intptr_t out) {
    const FileEntry* e = FileListEntry(list, (int)index);
    if (!e || !out) return 0;
    *(std::string*)out = Shown(*e);
    return 1;
}

static intptr_t OnListItemRect(WindowId list, uintptr_t wparam, intptr_t out) {
    FileListState* s = StateOf(list);
    int index = (int)wparam, rows = VisibleRows(list);
    if (!s || !out || index < s->top || index >= s->top + rows || index >= (int)s->entries.size()) return 0;
    PlatRect c;
    PlatGetClientRect(list, &c);
    int y = LIST_MARGIN + (index - s->top) * ROW_HEIGHT;
    *(PlatRect*)out = PlatRect{LIST_MARGIN, y, RectWidth(c) - BAR_WIDTH - LIST_MARGIN, y + ROW_HEIGHT};
    return 1;
}

static intptr_t OnListSetSel(WindowId list, uintptr_t wparam) {
    FileListState* s = StateOf(list);
    if (!s) return 0;
    if ((int)wparam < 0) {
        s->selected = -1;
        PlatInvalidateRect(list, nullptr, false);
    } else {
        Select(list, s, (int)wparam, false);
    }
    return 0;
}

static intptr_t OnListCount(WindowId list) {
    FileListState* s = StateOf(list);
    return s ? (intptr_t)s->entries.size() : 0;
}

static intptr_t OnListGetSel(WindowId list) {
    FileListState* s = StateOf(list);
    return s ? s->selected : -1;
}

static intptr_t OnListCreate(WindowId list) {
    PlatSetWindowData(list, (intptr_t) new FileListState);
    return 0;
}

static intptr_t OnListDestroy(WindowId list) {
    delete StateOf(list);
    PlatSetWindowData(list, 0);
    return 0;
}

static intptr_t FileListProc(WindowId list, int msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case MSG_CREATE: return OnListCreate(list);
    case MSG_DESTROY: return OnListDestroy(list);
    case MSG_PAINT: return OnListPaint(list);
    case MSG_LBUTTONDOWN: return OnListButtonDown(list, lparam, false);
    case MSG_LBUTTONDBLCLK: return OnListButtonDown(list, lparam, true);
    case MSG_KEYDOWN: return OnListKey(list, wparam);
    case MSG_MOUSEWHEEL: return OnListWheel(list, wparam);
    case LB_GETCOUNT: return OnListCount(list);
    case LB_GETTEXT: return OnListGetText(list, wparam, lparam);
    case LB_GETCURSEL: return OnListGetSel(list);
    case LB_SETCURSEL: return OnListSetSel(list, wparam);
    case LB_GETITEMRECT: return OnListItemRect(list, wparam, lparam);
    default: return PlatDefWindowProc(list, msg, wparam, lparam);
    }
}

void RegisterFileListClass(void) {
    // A second time finds the class registered, which is fine.
    WindowClassDesc d{"plat_filelist", FileListProc, CLASS_DBLCLKS, SysColor(SYS_COLOR_EDIT_BACK)};
    PlatRegisterClass(&d);
}

void FileListSetEntries(WindowId list, std::vector<FileEntry> entries) {
    FileListState* s = StateOf(list);
    if (!s) return;
    s->entries = std::move(entries);
    s->selected = -1;
    s->top = 0;
    PlatInvalidateRect(list, nullptr, false);
}

const FileEntry* FileListEntry(WindowId list, int index) {
    FileListState* s = StateOf(list);
    if (!s || index < 0 || index >= (int)s->entries.size()) return nullptr;
    return &s->entries[(size_t)index];
}
