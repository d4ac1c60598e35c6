// The script's waits and its input: what a person at the keyboard and mouse would do, sent
// through the headless driver, each step waiting for what it needs to have happened.
#include "script_commands.h"
#include "script_targets.h"
#include "script_transcript.h"

#include "imagewin/image_table.h"
#include "platform/controls/dialog.h"
#include "platform/driver/driver.h"
#include "platform/system.h"
#include "platform/window/input.h"
#include "platform/window/menu.h"
#include "platform/window/window.h"

static int WaitWindow(ScriptRun* run, const std::string& target, WindowId* window) {
    return ScriptWaitFor(run, [&] { return (*window = ScriptWindow(target)) != 0; }, "window \"" + target + "\"");
}

int ScriptWaitWindow(ScriptRun* run, const ScriptArgs& args) {
    WindowId window = 0;
    return ScriptWaitLimited(run, args, 1, [&](ScriptRun* r) { return WaitWindow(r, args[0], &window); });
}

int ScriptWaitImage(ScriptRun* run, const ScriptArgs& args) {
    int slot = 0;
    if (!ScriptNumber(run, args[0], &slot)) return 1;
    if (slot < 0 || slot >= IMAGE_SLOTS) return ScriptFail(run, "no image slot " + args[0]);
    WindowId window = 0;
    return ScriptWaitLimited(run, args, 1, [&](ScriptRun* r) { return WaitWindow(r, "image:" + args[0], &window); });
}

int ScriptWaitText(ScriptRun* run, const ScriptArgs& args) {
    int id = 0;
    if (!ScriptNumber(run, args[0], &id)) return 1;
    const std::string& text = args[1];
    const std::string what = "text \"" + text + "\" in text window " + args[0];
    return ScriptWaitLimited(run, args, 2, [&](ScriptRun* r) {
        return ScriptWaitFor(r, [&] { return TextCopy(id).find(text) != std::string::npos; }, what);
    });
}

int ScriptSettle(ScriptRun* run, const ScriptArgs&) {
    return ScriptWaitFor(run, [] { return DriverWaitSettled(50); }, "the program to settle");
}

// Resolves WINDOW X Y into a screen point.
static int ClientPoint(ScriptRun* run, const ScriptArgs& args, size_t first, PlatPoint* p) {
    WindowId window = 0;
    int x = 0, y = 0;
    if (!ScriptNumber(run, args[first + 1], &x) || !ScriptNumber(run, args[first + 2], &y)) return 1;
    if (WaitWindow(run, args[first], &window) != 0) return 1;
    *p = ScriptClientToScreen(window, x, y);
    return 0;
}

// The optional modifiers word of a pointer step at args[at]: INPUT_MOD_ flags, 0 without one.
static int PointerModifiers(ScriptRun* run, const ScriptArgs& args, size_t at, int* mods) {
    *mods = 0;
    if (args.size() <= at || ScriptModifiers(args[at], mods)) return 0;
    return ScriptFail(run, "unknown modifiers \"" + args[at] + "\" (ctrl, shift or alt, joined by +)");
}

// Runs a pointer step with the modifiers held, as a person holds Ctrl while clicking: the
// messages it makes carry them, and nothing is held afterwards.
static void WithModifiers(int mods, const std::function<void()>& step) {
    DriverSetModifiers(mods);
    step();
    DriverSetModifiers(0);
}

static int ClickWith(ScriptRun* run, const ScriptArgs& args, int button, bool twice) {
    PlatPoint p{};
    int mods = 0;
    if (PointerModifiers(run, args, 3, &mods) != 0 || ClientPoint(run, args, 0, &p) != 0) return 1;
    WithModifiers(mods, [&] {
        if (twice) DriverDoubleClick(p.x, p.y, button);
        else DriverClick(p.x, p.y, button);
    });
    return 0;
}

int ScriptClick(ScriptRun* run, const ScriptArgs& args) { return ClickWith(run, args, BUTTON_LEFT, false); }
int ScriptDoubleClick(ScriptRun* run, const ScriptArgs& args) { return ClickWith(run, args, BUTTON_LEFT, true); }
int ScriptRightClick(ScriptRun* run, const ScriptArgs& args) { return ClickWith(run, args, BUTTON_RIGHT, false); }
int ScriptMiddleClick(ScriptRun* run, const ScriptArgs& args) { return ClickWith(run, args, BUTTON_MIDDLE, false); }

int ScriptHover(ScriptRun* run, const ScriptArgs& args) {
    PlatPoint p{};
    int mods = 0;
    if (PointerModifiers(run, args, 3, &mods) != 0 || ClientPoint(run, args, 0, &p) != 0) return 1;
    WithModifiers(mods, [&] { DriverMovePointer(p.x, p.y); });
    return 0;
}

int ScriptDrag(ScriptRun* run, const ScriptArgs& args) {
    int c[4] = {0, 0, 0, 0}, mods = 0;
    for (int i = 0; i < 4; i++)
        if (!ScriptNumber(run, args[(size_t)i + 1], &c[i])) return 1;
    if (PointerModifiers(run, args, 5, &mods) != 0) return 1;
    WindowId window = 0;
    if (WaitWindow(run, args[0], &window) != 0) return 1;
    PlatPoint from = ScriptClientToScreen(window, c[0], c[1]);
    PlatPoint to = ScriptClientToScreen(window, c[2], c[3]);
    WithModifiers(mods, [&] { DriverDrag(from.x, from.y, to.x, to.y); });
    return 0;
}

static void ClickCentre(WindowId window) {
    PlatRect r = DriverWindowRect(window);
    DriverClick((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

int ScriptPress(ScriptRun* run, const ScriptArgs& args) {
    WindowId control = 0;
    const std::string what = "control \"" + args[0] + "\"";
    if (ScriptWaitFor(run, [&] { return (control = ScriptControl(args[0])) != 0; }, what) != 0) return 1;
    ClickCentre(control);
    return 0;
}

int ScriptField(ScriptRun* run, const ScriptArgs& args) {
    WindowId field = 0;
    const std::string name = "\"" + args[0] + "\"";
    if (ScriptWaitFor(run, [&] { return (field = ScriptInputField(args[0])) != 0; }, "input field " + name) != 0)
        return 1;
    ClickCentre(field);
    // Keys go to the window that has the focus when they arrive, as on a desktop.
    uint64_t begun = 0, finished = 0;
    auto reached = [&] {
        PlatFocusMoves(&begun, &finished);
        return PlatGetFocus() == field && begun == finished;
    };
    if (ScriptWaitFor(run, reached, "the focus to reach " + name) != 0) return 1;
    const uint64_t before = finished;
    // The value arrives whole, by paste: a program that reads the field meanwhile never sees
    // half of it, so the run does not depend on timing.
    DriverSetClipboardText(args[1].c_str());
    DriverKey('A', INPUT_MOD_CONTROL);
    DriverKey('V', INPUT_MOD_CONTROL);
    DriverKey(KEY_TAB);
    // The value is taken when the focus has left the field, its owner notified; the field that
    // is its box's only one gets the focus back at once.
    auto left = [&] {
        PlatFocusMoves(&begun, &finished);
        return finished > before && (finished >= before + 2 || PlatGetFocus() != field);
    };
    return ScriptWaitFor(run, left, "the focus to leave " + name);
}

int ScriptType(ScriptRun*, const ScriptArgs& args) {
    DriverType(args[0].c_str());
    return 0;
}

int ScriptKey(ScriptRun* run, const ScriptArgs& args) {
    int key = 0, mods = 0;
    if (!ScriptKeyCode(args[0], &key, &mods)) return ScriptFail(run, "unknown key \"" + args[0] + "\"");
    DriverKey(key, mods);
    return 0;
}

// Each text but the last opens a submenu of the menu open before it; the last is chosen,
// and the step ends once the whole menu has closed.
int ScriptMenu(ScriptRun* run, const ScriptArgs& args) {
    for (size_t i = 0; i < args.size(); i++) {
        const std::string name = "menu item \"" + args[i] + "\"";
        const bool last = i + 1 == args.size();
        PlatRect item{};
        bool opens_submenu = false;
        if (ScriptWaitFor(run, [&] { return ScriptMenuItemRect(args[i], &item, &opens_submenu); }, name) != 0)
            return 1;
        if (last && opens_submenu) return ScriptFail(run, name + " opens a submenu: name one of its items after it");
        if (!last && !opens_submenu) return ScriptFail(run, name + " has no submenu");
        const WindowId level = PlatGetTrackedMenuWindow();
        DriverClick(item.left + 10, (item.top + item.bottom) / 2);
        if (last) return ScriptWaitFor(run, [] { return PlatGetTrackedMenuWindow() == 0; }, "the menu to close");
        auto opened = [level] {
            const WindowId w = PlatGetTrackedMenuWindow();
            return w != 0 && w != level;
        };
        if (ScriptWaitFor(run, opened, "the submenu of " + name) != 0) return 1;
    }
    return 0;
}

int ScriptAnswer(ScriptRun* run, const ScriptArgs& args) {
    // Enter chooses the box's first button (OK, Yes), Esc its last (OK, No).
    int key = args[0] == "no" ? KEY_ESCAPE : KEY_RETURN;
    if (args[0] != "ok" && args[0] != "yes" && args[0] != "no")
        return ScriptFail(run, "answer ok, yes or no, not \"" + args[0] + "\"");
    WindowId box = 0;
    auto box_has_focus = [&] { return (box = PlatGetOpenMessageBox()) != 0 && PlatGetFocus() == box; };
    if (ScriptWaitFor(run, box_has_focus, "a message box") != 0) return 1;
    DriverKey(key);
    return ScriptWaitFor(run, [] { return PlatGetOpenMessageBox() == 0; }, "the message box to close");
}

int ScriptAnswerFile(ScriptRun* run, const ScriptArgs& args) {
    if (ScriptWaitFor(run, [] { return DriverFileDialog() != 0; }, "a file dialog") != 0) return 1;
    if (args[0] == "-") {
        DriverKey(KEY_ESCAPE);
    } else if (!DriverTypeFileName((ScriptInputPath(run, args[0]) + "\n").c_str())) {
        return ScriptFail(run, "the file dialog's name field did not take the focus");
    }
    return ScriptWaitFor(run, [] { return DriverFileDialog() == 0; }, "the file dialog to close");
}

int ScriptDrop(ScriptRun* run, const ScriptArgs& args) {
    PlatPoint p{};
    if (ClientPoint(run, args, 0, &p) != 0) return 1;
    std::vector<std::string> files;
    for (size_t i = 3; i < args.size(); i++) files.push_back(ScriptInputPath(run, args[i]));
    DriverDrop(p.x, p.y, files);
    return 0;
}

int ScriptClipboard(ScriptRun*, const ScriptArgs& args) {
    DriverSetClipboardText(args[0].c_str());
    return 0;
}

int ScriptSleep(ScriptRun* run, const ScriptArgs& args) {
    int ms = 0;
    if (!ScriptNumber(run, args[0], &ms)) return 1;
    uint32_t until = PlatGetTickMs() + (uint32_t)(ms > 0 ? ms : 0);
    // A sleep is a wait that never succeeds early; it still ends with the whole run.
    int saved = run->wait_ms;
    run->wait_ms = ms + 1;
    int rc = ScriptWaitFor(run, [until] { return (int)(PlatGetTickMs() - until) >= 0; }, "sleep");
    run->wait_ms = saved;
    return rc;
}

int ScriptTimeout(ScriptRun* run, const ScriptArgs& args) {
    int seconds = 0;
    if (!ScriptNumber(run, args[0], &seconds)) return 1;
    if (seconds <= 0) return ScriptFail(run, "a timeout is a positive number of seconds");
    run->wait_ms = seconds * 1000;
    return 0;
}

int ScriptExit(ScriptRun* run, const ScriptArgs&) {
    run->exit_requested = true;
    return 0;
}
