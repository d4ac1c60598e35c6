// The main window's window-building commands. Prompts go to the current text window and are
// read there with the line input, on the main thread; Exit ends a waiting prompt with an
// empty line, so every command looks at ExitState after each answer and gives up. Requests
// that come back "not carried out" (Exit, or the worker gone into the user program) end the
// command too.
#include "main_window_commands.h"

#include "imagewin/image_probe.h"
#include "imagewin/image_table.h"
#include "imaging/pixel_panel_window.h"
#include "platform/draw/surface.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/main_window.h"
#include "runtime/request_channel.h"
#include "textwin/text_commands.h"
#include "textwin/text_window.h"

#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

enum { TITLE_BYTES = 256, ANSWER_BYTES = 256 };

int AnswerNumber(const char* text) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) p++;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') p++;
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        value = value * 10 + (*p - '0');
        if (value > (long long)INT_MAX + 1) value = (long long)INT_MAX + 1;
    }
    if (negative) return (int)-value;
    return value > INT_MAX ? INT_MAX : (int)value;
}

void FormatSlotTitle(char* out, int slot, const char* name) {
    int used = snprintf(out, TITLE_BYTES, "%03d ", slot);
    if (used < 0 || used >= TITLE_BYTES) return;
    size_t room = (size_t)(TITLE_BYTES - 1 - used), n = strlen(name);
    if (n > room) {
        n = room;
        // Back off to the first byte of the character that would be cut.
        while (n > 0 && ((unsigned char)name[n] & 0xC0) == 0x80) n--;
    }
    memcpy(out + used, name, n);
    out[used + n] = 0;
}

static bool Exiting(void) { return ExitState.load() != PXK_EXIT_NONE; }

// Prints the prompt and reads the answer's number; false when Exit ended the prompt.
static bool Ask(const char* prompt, int* number) {
    PXK_Printf("%s", prompt);
    char line[ANSWER_BYTES] = "";
    PXK_InputText(line);
    if (Exiting()) return false;
    *number = AnswerNumber(line);
    return true;
}

static int LowestFreeImageSlot(void) {
    for (int k = 0; k < IMAGE_SLOTS; k++)
        if (!image_table[k].in_use.load(std::memory_order_acquire)) return k;
    return -1;
}

static void ImageWindowCommand(void) {
    RequestOpenTextWindow(0);
    if (Exiting()) return;
    PXK_Printf("Creating ImageWindow...\n");
    int width = 0, height = 0, bits = 0;
    if (!Ask(" Width=", &width) || !Ask("Height=", &height) || !Ask("Bit[32 or 8]=", &bits)) return;
    if (bits != 32 && bits != 8) return;
    int slot = LowestFreeImageSlot();
    if (slot < 0) return;
    char title[TITLE_BYTES];
    snprintf(title, sizeof title, "%03d", slot);
    RequestCreateImage(slot, title, width, height, bits);
}

static void TextWindowCommand(void) {
    for (int k = 0; k < TEXT_WINDOW_COUNT; k++)
        if (!text_windows[k].is_open.load(std::memory_order_acquire)) {
            RequestOpenTextWindow(k);
            return;
        }
}

static void InputBoxCommand(void) {
    RequestOpenTextWindow(0);
    if (Exiting()) return;
    PXK_Printf("Creating InpuxBox...\n");
    int items = 0;
    if (!Ask("How many items? >", &items)) return;
    RequestOpenInputBox(items);
}

static void ButtonBoxCommand(void) {
    RequestOpenTextWindow(0);
    if (Exiting()) return;
    PXK_Printf("Creating ButtonBox...\n");
    int columns = 0, rows = 0;
    if (!Ask("Number[X]=>", &columns) || !Ask("Number[Y]=>", &rows)) return;
    RequestOpenButtonBox(columns, rows);
}

static bool CurrentTextWindowOpen(void) {
    int id = current_text_window.load();
    return id >= 0 && id < TEXT_WINDOW_COUNT && text_windows[id].is_open.load(std::memory_order_acquire);
}

// While the user program runs the worker serves no request, so without an open text window
// the report has nowhere to go: the status line says so instead.
static void WindowInfoCommand(void) {
    if (!CurrentTextWindowOpen()) {
        if (Running.load() != 0) {
            PXK_SetStatusText("No text window");
            return;
        }
        RequestOpenTextWindow(0);
    }
    if (!CurrentTextWindowOpen()) return;
    WindowId window = text_windows[current_text_window.load()].hwnd.load(std::memory_order_acquire);
    PlatPostMessage(window, MSG_COMMAND, (uintptr_t)MakeParam(CMD_TEXT_WINDOW_INFO, 0), 0);
}

// Puts the new image's predecessor back as the current image, through the worker.
static void ShowInNewImage(int slot) {
    RequestRedrawImage(slot);
    RequestSelectPreviousImage();
}

void PastePicture(Surface* bitmap) {
    if (!bitmap) return;
    char title[TITLE_BYTES];
    for (int k = 0; k < IMAGE_SLOTS; k++) {
        snprintf(title, sizeof title, "%03d", k);
        int r = RequestCreateImage(k, title, bitmap->width, bitmap->height, 32);
        if (r == REQUEST_DONE) {
            RequestPasteBitmap(bitmap);
            ShowInNewImage(k);
            return;
        }
        if (r != REQUEST_SLOT_IN_USE) break;
    }
    PlatDestroySurface(bitmap);
}

// Paste: the clipboard's picture, read here on the main thread, becomes a new image.
static void PasteCommand(void) { PastePicture(PXK_ReadClipboardBitmap(nullptr, nullptr)); }

// The file-name part of a path: what follows the last '/'.
static const char* NamePart(const char* path) {
    const char* slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// Opens one dropped file in the lowest free slot from *next on. False when the drop must end
// (its requests are no longer carried out).
static bool OpenDroppedFile(const char* path, int* next) {
    struct stat st;
    if (stat(path, &st) != 0 || S_ISDIR(st.st_mode) || *NamePart(path) == 0) return true;
    int width = 0, height = 0;
    if (ProbeImageFileSize(path, &width, &height) != PROBE_OK) return true;
    char title[TITLE_BYTES];
    while (*next < IMAGE_SLOTS) {
        int k = (*next)++;
        FormatSlotTitle(title, k, NamePart(path));
        int r = RequestCreateImage(k, title, width, height, 32);
        if (r == REQUEST_NOT_CARRIED_OUT) return false;
        if (r == REQUEST_DONE) {
            RequestLoadImageFile(k, path);
            ShowInNewImage(k);
            return true;
        }
        if (r != REQUEST_SLOT_IN_USE) return true;
    }
    return true;
}

static void DropCommand(const DropList* drop) {
    int next = 0;
    for (int i = 0; i < drop->count; i++)
        if (!OpenDroppedFile(drop->paths[i], &next)) return;
}

static int LineInputActive(void) { return input_active.load(std::memory_order_acquire); }

void RegisterMainWindowWork(void) {
    MainWindowCommands c{};
    c.line_input_active = LineInputActive;
    c.paste = PasteCommand;
    c.image_window = ImageWindowCommand;
    c.text_window = TextWindowCommand;
    c.input_box = InputBoxCommand;
    c.button_box = ButtonBoxCommand;
    c.window_info = WindowInfoCommand;
    c.drop = DropCommand;
    c.inspector = PostInspectorToggle;
    RegisterMainWindowCommands(c);
}
