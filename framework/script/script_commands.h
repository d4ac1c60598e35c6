// The script's commands: one fixed table of name, argument counts, handler and usage line,
// and the state a run carries from line to line. A handler returns 0 when its step worked,
// otherwise 1 with the run's error set to what failed.
#pragma once

#include <atomic>
#include <functional>
#include <stdint.h>
#include <string>
#include <vector>

struct ScriptRun {
    std::string script_dir;     // relative input files are found here
    std::string out_dir;        // relative output files go here
    int wait_ms = 10000;        // how long a wait for a condition may take
    uint32_t deadline_ms = 0;   // tick count at which the whole run times out
    int run_timeout_s = 60;
    bool exit_requested = false;
    bool timed_out = false;
    const std::atomic<bool>* program_ended = nullptr;   // set once the program's run returned
    std::string error;
};

using ScriptArgs = std::vector<std::string>;

struct ScriptCommand {
    const char* name;
    int min_args;
    int max_args;               // -1: any number
    int (*run)(ScriptRun* run, const ScriptArgs& args);
    const char* usage;          // arguments and what it does, for --script --help
    int out_arg;                // 1-based argument that names a file written in --out; 0: none
};

const ScriptCommand* FindScriptCommand(const std::string& name);
// The table, in the order --script --help lists it.
const ScriptCommand* ScriptCommandTable(int* count);

// Sets the run's error and returns 1.
int ScriptFail(ScriptRun* run, const std::string& text);
// Waits for cond within the run's wait and the whole run's deadline; on failure sets the
// error to "waited N ms for <what>" (or the whole-run timeout) and returns 1.
int ScriptWaitFor(ScriptRun* run, const std::function<bool()>& cond, const std::string& what);
// Runs wait with the run's wait replaced by args[at] seconds when the line gives them.
int ScriptWaitLimited(ScriptRun* run, const ScriptArgs& args, size_t at, const std::function<int(ScriptRun*)>& wait);
// A file the script names: relative input paths from the script's folder, outputs in --out.
std::string ScriptInputPath(const ScriptRun* run, const std::string& name);
std::string ScriptOutputPath(const ScriptRun* run, const std::string& name);
// True when a relative output name leaves the output folder ("../x.png", "a/../../x.png").
// Absolute names are the script author's choice and never climb out.
bool ScriptNameClimbsOut(const std::string& name);
// A whole number word; false (and the error set) when it is not one.
bool ScriptNumber(ScriptRun* run, const std::string& word, int* value);

// The handlers (script_input_commands.cpp, script_output_commands.cpp).
int ScriptWaitWindow(ScriptRun* run, const ScriptArgs& args);
int ScriptWaitImage(ScriptRun* run, const ScriptArgs& args);
int ScriptWaitText(ScriptRun* run, const ScriptArgs& args);
int ScriptSettle(ScriptRun* run, const ScriptArgs& args);
int ScriptClick(ScriptRun* run, const ScriptArgs& args);
int ScriptDoubleClick(ScriptRun* run, const ScriptArgs& args);
int ScriptRightClick(ScriptRun* run, const ScriptArgs& args);
int ScriptMiddleClick(ScriptRun* run, const ScriptArgs& args);
int ScriptHover(ScriptRun* run, const ScriptArgs& args);
int ScriptDrag(ScriptRun* run, const ScriptArgs& args);
int ScriptPress(ScriptRun* run, const ScriptArgs& args);
int ScriptField(ScriptRun* run, const ScriptArgs& args);
int ScriptType(ScriptRun* run, const ScriptArgs& args);
int ScriptKey(ScriptRun* run, const ScriptArgs& args);
int ScriptMenu(ScriptRun* run, const ScriptArgs& args);
int ScriptAnswer(ScriptRun* run, const ScriptArgs& args);
int ScriptAnswerFile(ScriptRun* run, const ScriptArgs& args);
int ScriptDrop(ScriptRun* run, const ScriptArgs& args);
int ScriptClipboard(ScriptRun* run, const ScriptArgs& args);
int ScriptSleep(ScriptRun* run, const ScriptArgs& args);
int ScriptTimeout(ScriptRun* run, const ScriptArgs& args);
int ScriptExit(ScriptRun* run, const ScriptArgs& args);
int ScriptSaveWindow(ScriptRun* run, const ScriptArgs& args);
int ScriptSaveImage(ScriptRun* run, const ScriptArgs& args);
int ScriptSaveScreen(ScriptRun* run, const ScriptArgs& args);
int ScriptSaveText(ScriptRun* run, const ScriptArgs& args);
int ScriptCompareImage(ScriptRun* run, const ScriptArgs& args);
