// What the layer's modal dialogs share: a captioned window centred on the work area around a
// client of a given size, and the modal run that disables the owner, shows the window, serves
// the thread with a nested pump until the dialog is answered and then puts everything back.
// The dialogs that draw themselves (colour, font) also share their whole run and the copy of
// what they show that the test driver reads.
#pragma once

#include "platform/layer_mutex.h"
#include "platform/plat_types.h"

#include <atomic>
#include <mutex>

// Where a dialog's window is centred. The colour, font and file dialogs centre on the client
// area of a full-screen window (the work area less one caption); the message box centres on
// the whole work area, which puts it half a caption lower.
enum DialogCentre { CENTRE_ON_FULLSCREEN_CLIENT, CENTRE_ON_WORK_AREA };

// A hidden, topmost dialog window of the class, owned by owner, with data as its window data;
// 0 when it cannot be made.
WindowId CreateCenteredDialog(const char* class_name, const char16_t* title, PlatSize client, WindowId owner,
                              intptr_t data, DialogCentre centre = CENTRE_ON_FULLSCREEN_CLIENT);

// One run of a modal dialog whose window CreateCenteredDialog made.
struct ModalDialog {
    WindowId window;
    WindowId owner;                // disabled while the dialog runs (0: none)
    const int* answer;             // non-zero once the dialog is answered
    std::atomic<WindowId>* open;   // the dialog on screen now, where the test driver finds it
    void* data;                    // handed to the two hooks
    // Called once the window is shown and in front, before it is published: puts the focus
    // where the user types first (a driver's first key must reach it) and asks for a paint.
    void (*shown)(WindowId window, void* data);
    // Sees each message before it is dispatched; true when it has dealt with it (may be null).
    bool (*intercept)(WindowId window, void* data, const Message* m);
};

// Disables the owner, shows and publishes the window and serves the thread until the dialog is
// answered, its window is gone or a quit arrives (which stays posted for the loops outside).
// Then the window is destroyed and the owner gets its input and the front back.
void RunModalDialog(const ModalDialog& dialog);

// What a dialog on screen shows, copied for the test driver, which reads it from its own
// thread; open is the dialog's window while it runs (RunModalDialog sets it).
template <typename View>
struct DialogView {
    std::atomic<WindowId> open{0};
    LayerMutex lock;
    View shown{};
};

template <typename View>
void PublishDialogView(DialogView<View>* v, const View& now) {
    std::lock_guard<LayerMutex> guard(v->lock);
    v->shown = now;
}

// Copies what the open dialog shows; false when none is open.
template <typename View>
bool ReadDialogView(DialogView<View>* v, View* out) {
    if (!out || !v->open.load(std::memory_order_acquire)) return false;
    std::lock_guard<LayerMutex> guard(v->lock);
    *out = v->shown;
    return true;
}

// One run of a dialog that draws all of its parts itself.
struct DrawnDialog {
    const char* class_name;        // registered on first use, with the face colour as background
    WindowProc proc;
    const char16_t* title;
    PlatSize client;
    WindowId owner;
    void* state;                   // the window's data, and what publish copies from
    const int* answer;             // non-zero once the dialog is answered
    std::atomic<WindowId>* open;   // its DialogView's open
    // Copies what the dialog shows for the driver; with a null state, that none is open.
    void (*publish)(const void* state);
};

// Registers the class, makes the centred window and runs it modally: once it is shown it gets
// the focus and a paint and is published; once no dialog of its kind is open any more the
// published view is cleared. False when no window could be made (the answer is then 0).
bool RunDrawnDialog(const DrawnDialog& dialog);
