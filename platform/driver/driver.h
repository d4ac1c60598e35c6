// The test driver: input and inspection from a test thread while the program's own threads
// run, for the tests and for scripted runs (--script). It is no backend: input goes through
// the layer's own entry points, so most of it works over any backend; it reads the headless
// backend only through platform/headless/headless_state.h (the screen size, presents and the
// clipboard's types). Points are screen coordinates unless a name says client.
#pragma once

#include "platform/plat_types.h"
#include "platform/draw/surface.h"

#include <functional>
#include <string>
#include <vector>

// Screen of the headless backend (before the program starts).
void DriverSetScreen(int width, int height, int bits);

void DriverMovePointer(int x, int y);
void DriverButton(int x, int y, int button, bool down);
void DriverClick(int x, int y, int button = 1);
void DriverDoubleClick(int x, int y, int button = 1);
void DriverDrag(int x0, int y0, int x1, int y1, int button = 1, int steps = 8);
void DriverWheel(int x, int y, int delta);
// Modifiers held for the following input (INPUT_MOD_ flags).
void DriverSetModifiers(int mods);
// Presses and releases a key in the focused window with these modifiers held.
void DriverKey(int key, int mods = 0);
void DriverKeyDown(int key, int mods = 0);
void DriverKeyUp(int key, int mods = 0);
// Types UTF-8 text as characters (Enter as "\n" becomes the Return key).
void DriverType(const char* utf8);
void DriverDrop(int x, int y, const std::vector<std::string>& paths);

// Window inspection.
WindowId DriverFindWindow(const char* utf8_title);   // a visible top-level window by text
WindowId DriverFindWindowByClass(const char* class_name);
std::string DriverWindowText(WindowId window);
PlatRect DriverWindowRect(WindowId window);
PlatRect DriverClientRectScreen(WindowId window);
// Copies of a top-level window's whole pixels, or of a window's client pixels (32-bit).
std::vector<uint32_t> DriverWindowPixels(WindowId window, int* width, int* height);
std::vector<uint32_t> DriverClientPixels(WindowId window, int* width, int* height);
uint32_t DriverClientPixel(WindowId window, int x, int y);

// Clipboard as the desktop would see it.
void DriverSetClipboardText(const char* utf8);
std::string DriverClipboardText(void);
std::vector<uint8_t> DriverClipboard(int format);
void DriverSetClipboard(int format, const std::vector<uint8_t>& bytes);

// Waits until cond() holds, polling; false after timeout_ms.
bool DriverWaitFor(const std::function<bool()>& cond, int timeout_ms = 5000);

// The layer's modal dialogs as the driver meets them, given a dialog's own open() (the one on
// screen, or 0) and read() (a copy of what it shows; false when none is open). They live in
// namespace pxk: their lambdas' type information is exported data, which must never meet a
// user program's names.
namespace pxk {
// The dialog on screen, or 0; waits up to timeout_ms for one to open.
inline WindowId DriverWaitDialog(WindowId (*open)(void), int timeout_ms) {
    DriverWaitFor([open] { return open() != 0; }, timeout_ms);
    return open();
}
// Waits until the open dialog shows what cond accepts; false after timeout_ms or once it closed.
template <typename View>
bool DriverWaitDialogView(bool (*read)(View*), const std::function<bool(const View&)>& cond, int timeout_ms) {
    return DriverWaitFor(
        [read, &cond] {
            View view;
            return read(&view) && cond(view);
        },
        timeout_ms);
}
}  // namespace pxk
using pxk::DriverWaitDialog, pxk::DriverWaitDialogView;

// Waits until the program has settled (DriverWaitSettled); after timeout_ms prints on stderr
// what kept it busy and returns false.
bool DriverWaitIdle(int timeout_ms = 5000);
// Number of windows presented (for tests that wait for a change on screen).
uint64_t DriverPresentCount(void);

// ---- The font dialog (driver_font_dialog.cpp) ----
struct FontDialogView;
// The font dialog on screen, or 0; waits up to timeout_ms for one to open.
WindowId DriverWaitFontDialog(int timeout_ms = 5000);
// What the open font dialog shows (selected face, size, styles); false when none is open.
bool DriverReadFontDialog(FontDialogView* view);
// Waits until the open dialog shows what cond accepts; false after timeout_ms or once it closed.
bool DriverWaitFontDialogView(const std::function<bool(const FontDialogView&)>& cond, int timeout_ms = 5000);

// ---- Typed clipboard (driver_clipboard.cpp) ----
// As another program offers and reads it.
struct DriverClipItem {
    std::string type;
    std::vector<uint8_t> bytes;
};
// Replaces the clipboard's content with these representations, as a copy in another program.
bool DriverOfferClipboard(const std::vector<DriverClipItem>& items);
// The types the clipboard offers, in the order they were offered (what TARGETS would list).
std::vector<std::string> DriverClipboardTypes(void);
// The first of `types` the clipboard offers, as another program pasting would get it; false
// when it offers none of them.
bool DriverReadClipboard(const std::vector<std::string>& types, DriverClipItem* out);

// ---- File dialogs ----------------------------------------------------------------------
// The open or save dialog on screen, or 0; a part of it by control id (FILEDLG_LIST,
// FILEDLG_NAME, FILEDLG_FILTER, IDOK, IDCANCEL of platform/controls/), or 0.
WindowId DriverFileDialog(void);
WindowId DriverFileDialogPart(int id);
// The entries of a file list as it shows them (folders as "name/").
std::vector<std::string> DriverListEntries(WindowId list);
// Clicks (or double clicks) the entry shown as `shown`; false when it is not in view.
bool DriverClickListEntry(WindowId list, const char* shown, bool twice = false);
// Clicks into the dialog's name field, waits until it has the focus, selects its text and
// types text over it (Enter as "\n"); false when the field did not take the focus.
bool DriverTypeFileName(const char* text);
// Opens the dialog's filter menu and clicks filter `index` (1-based); false when the menu or
// the item did not appear.
bool DriverChooseFilter(int index);

// ---- The colour dialog (driver_color_dialog.cpp) ----
struct ColorDialogView;
// The colour dialog on screen, or 0; waits up to timeout_ms for one to open.
WindowId DriverWaitColorDialog(int timeout_ms = 5000);
// What the open colour dialog shows (colour, fields, marks, custom colours); false when none is open.
bool DriverReadColorDialog(ColorDialogView* view);
// Waits until the open dialog shows what cond accepts; false after timeout_ms or once it closed.
bool DriverWaitColorDialogView(const std::function<bool(const ColorDialogView&)>& cond, int timeout_ms = 5000);
// Clicks the middle of a part of the open dialog (COLORDLG_ parts; swatch `index` of a grid);
// false when no dialog is open or the part does not exist.
bool DriverClickColorDialog(int part, int index = 0);

// ---- Scripted runs (driver_script.cpp) ----------------------------------------------------
// Waits until every framework thread (each thread that owns a window, and the worker) has an
// empty queue, nothing to paint, and waits for messages (asleep in its wait, or an idle loop
// waiting in short slices), and no framework thread reports work pending (a text window
// owed a paint), three looks in a row; false after timeout_ms. A thread busy with its own
// work, however long, keeps the program unsettled.
bool DriverWaitSettled(int timeout_ms = 5000);
// A visible child window (a button, a label) showing exactly this text, or 0.
WindowId DriverFindControl(const char* utf8_text);
// The whole screen as it shows now: the visible top-level windows over black, lowest first.
std::vector<uint32_t> DriverScreenPixels(int* width, int* height);
