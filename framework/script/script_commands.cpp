// The command table and the helpers every handler shares: failing, bounded waits, paths.
#include "script_commands.h"

#include "platform/headless/driver.h"
#include "platform/system.h"

#include <stdlib.h>

static const ScriptCommand COMMANDS[] = {
    {"wait-window", 1, 2, ScriptWaitWindow, "WINDOW [SECONDS]  wait until the window is shown"},
    {"wait-image", 1, 2, ScriptWaitImage, "SLOT [SECONDS]    wait until the image slot is in use and shown"},
    {"wait-text", 2, 3, ScriptWaitText, "ID TEXT [SECONDS] wait until text window ID has printed TEXT"},
    {"settle", 0, 0, ScriptSettle, "                  wait until every thread of the program waits for input"},
    {"click", 3, 3, ScriptClick, "WINDOW X Y        left click at client coordinates"},
    {"double-click", 3, 3, ScriptDoubleClick, "WINDOW X Y        double click at client coordinates"},
    {"right-click", 3, 3, ScriptRightClick, "WINDOW X Y        right click at client coordinates"},
    {"drag", 5, 5, ScriptDrag, "WINDOW X0 Y0 X1 Y1  drag with the left button"},
    {"press", 1, 1, ScriptPress, "TEXT              click the control showing TEXT (a button, an input label)"},
    {"field", 2, 2, ScriptField, "LABEL VALUE       replace the input field's value as a whole, then Tab"},
    {"type", 1, 1, ScriptType, "TEXT              type text into the focused window"},
    {"key", 1, 1, ScriptKey, "KEY               press a key, e.g. ctrl+shift+a, tab, enter, esc, f5"},
    {"menu", 1, 1, ScriptMenu, "TEXT              choose the item of the open popup menu"},
    {"answer", 1, 1, ScriptAnswer, "ok|yes|no         answer the open message box"},
    {"answer-file", 1, 1, ScriptAnswerFile, "PATH              answer the open file dialog with PATH ('-' cancels)"},
    {"drop", 4, -1, ScriptDrop, "WINDOW X Y FILE...  drop files at client coordinates"},
    {"clipboard", 1, 1, ScriptClipboard, "TEXT              put text on the clipboard"},
    {"save-window", 2, 2, ScriptSaveWindow, "WINDOW FILE.png   save the window's client area"},
    {"save-image", 2, 2, ScriptSaveImage, "SLOT FILE.png     save the image's pixels at its own size"},
    {"save-screen", 1, 1, ScriptSaveScreen, "FILE.png          save the whole screen"},
    {"save-text", 2, 2, ScriptSaveText, "ID FILE           save everything text window ID printed, UTF-8"},
    {"compare-image", 2, 4, ScriptCompareImage,
     "SLOT FILE.png [TOLERANCE [DIFF.png]]  compare the image with a PNG, per channel"},
    {"timeout", 1, 1, ScriptTimeout, "SECONDS           how long later waits may take (default 10)"},
    {"sleep", 1, 1, ScriptSleep, "MS                wait a fixed time"},
    {"exit", 0, 0, ScriptExit, "                  end the run here, successfully"},
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
