// The command table and the helpers every handler shares: failing, bounded waits, paths.
#include "script_commands.h"

#include "platform/driver/driver.h"
#include "platform/system.h"

#include <stdlib.h>

static const ScriptCommand COMMANDS[] = {
    {"wait-window", 1, 2, ScriptWaitWindow, "WINDOW [SECONDS]  wait until the window is shown", 0},
    {"wait-image", 1, 2, ScriptWaitImage, "SLOT [SECONDS]    wait until the image slot is in use and shown", 0},
    {"wait-text", 2, 3, ScriptWaitText, "ID TEXT [SECONDS] wait until text window ID has printed TEXT", 0},
    {"settle", 0, 0, ScriptSettle, "                  wait until every thread of the program waits for input", 0},
    {"click", 3, 4, ScriptClick, "WINDOW X Y [MODS] left click at client coordinates", 0},
    {"double-click", 3, 4, ScriptDoubleClick, "WINDOW X Y [MODS] double click at client coordinates", 0},
    {"right-click", 3, 4, ScriptRightClick, "WINDOW X Y [MODS] right click at client coordinates", 0},
    {"middle-click", 3, 4, ScriptMiddleClick, "WINDOW X Y [MODS] middle click at client coordinates", 0},
    {"hover", 3, 4, ScriptHover, "WINDOW X Y [MODS] move the pointer there, no button pressed", 0},
    {"drag", 5, 6, ScriptDrag, "WINDOW X0 Y0 X1 Y1 [MODS]  drag with the left button", 0},
    {"press", 1, 1, ScriptPress, "TEXT              click the control showing TEXT (a button, an input label)", 0},
    {"field", 2, 2, ScriptField, "LABEL VALUE       replace the input field's value as a whole, then Tab", 0},
    {"type", 1, 1, ScriptType, "TEXT              type text into the focused window", 0},
    {"key", 1, 1, ScriptKey, "KEY               press a key, e.g. ctrl+shift+a, tab, enter, esc, f5", 0},
    {"menu", 1, -1, ScriptMenu,
     "TEXT...           choose the item of the open popup menu (earlier TEXTs open submenus)", 0},
    {"answer", 1, 1, ScriptAnswer, "ok|yes|no         answer the open message box", 0},
    {"answer-file", 1, 1, ScriptAnswerFile, "PATH              answer the open file dialog with PATH ('-' cancels)", 0},
    {"drop", 4, -1, ScriptDrop, "WINDOW X Y FILE...  drop files at client coordinates", 0},
    {"clipboard", 1, 1, ScriptClipboard, "TEXT              put text on the clipboard", 0},
    {"save-window", 2, 2, ScriptSaveWindow, "WINDOW FILE.png   save the window's client area", 2},
    {"save-image", 2, 2, ScriptSaveImage, "SLOT FILE.png     save the image's pixels at its own size", 2},
    {"save-screen", 1, 1, ScriptSaveScreen, "FILE.png          save the whole screen", 1},
    {"save-text", 2, 2, ScriptSaveText, "ID FILE           save everything text window ID printed, UTF-8", 2},
    {"compare-image", 2, 4, ScriptCompareImage,
     "SLOT FILE.png [TOLERANCE [DIFF.png]]  compare the image with a PNG, per channel", 4},
    {"timeout", 1, 1, ScriptTimeout, "SECONDS           how long later waits may take (default 10)", 0},
    {"sleep", 1, 1, ScriptSleep, "MS                wait a fixed time", 0},
    {"exit", 0, 0, ScriptExit, "                  end the run here, successfully", 0},
};

const ScriptCommand* FindScriptCommand(const std::string& name) {
    for (const ScriptCommand& c : COMMANDS)
        if (name == c.name) return &c;
    return nullptr;
}

const ScriptCommand* ScriptCommandTable(int* count) {
    *count = (int)(sizeof COMMANDS / sizeof COMMANDS[0]);
    return COMMANDS;
}

int ScriptFail(ScriptRun* run, const std::string& text) {
    run->error = text;
    return 1;
}

int ScriptWaitFor(ScriptRun* run, const std::function<bool()>& cond, const std::string& what) {
    int left = (int)(run->deadline_ms - PlatGetTickMs());
    if (left < 0) left = 0;
    int limit = run->wait_ms < left ? run->wait_ms : left;
    const std::atomic<bool>* ended = run->program_ended;
    if (DriverWaitFor([&] { return (ended && ended->load()) || cond(); }, limit)) {
        if (!ended || !ended->load()) return 0;
        return ScriptFail(run, "the program ended while waiting for " + what);
    }
    if (limit == left) {
        run->timed_out = true;
        return ScriptFail(run, "the whole run timed out after " + std::to_string(run->run_timeout_s) + " s");
    }
    return ScriptFail(run, "waited " + std::to_string(run->wait_ms) + " ms for " + what);
}

static std::string Joined(const std::string& dir, const std::string& name) {
    if (name.empty() || name[0] == '/' || dir.empty()) return name;
    return dir + "/" + name;
}

std::string ScriptInputPath(const ScriptRun* run, const std::string& name) { return Joined(run->script_dir, name); }

std::string ScriptOutputPath(const ScriptRun* run, const std::string& name) { return Joined(run->out_dir, name); }

bool ScriptNameClimbsOut(const std::string& name) {
    if (name.empty() || name[0] == '/') return false;
    // Walks the name's parts: ".." one level up, "." and empty parts nowhere.
    int depth = 0;
    size_t from = 0;
    while (from <= name.size()) {
        size_t slash = name.find('/', from);
        if (slash == std::string::npos) slash = name.size();
        const std::string part = name.substr(from, slash - from);
        if (part == "..") depth--;
        else if (!part.empty() && part != ".") depth++;
        if (depth < 0) return true;
        from = slash + 1;
    }
    return false;
}

int ScriptWaitLimited(ScriptRun* run, const ScriptArgs& args, size_t at, const std::function<int(ScriptRun*)>& wait) {
    if (args.size() <= at) return wait(run);
    int seconds = 0;
    if (!ScriptNumber(run, args[at], &seconds)) return 1;
    if (seconds <= 0) return ScriptFail(run, "a timeout is a positive number of seconds");
    const int saved = run->wait_ms;
    run->wait_ms = seconds * 1000;
    int rc = wait(run);
    run->wait_ms = saved;
    return rc;
}

bool ScriptNumber(ScriptRun* run, const std::string& word, int* value) {
    char* end = nullptr;
    long v = strtol(word.c_str(), &end, 10);
    if (word.empty() || *end != 0 || v < -1000000000L || v > 1000000000L) {
        ScriptFail(run, "\"" + word + "\" is not a whole number");
        return false;
    }
    *value = (int)v;
    return true;
}
