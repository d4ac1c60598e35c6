// The scripted run: options, the script checked whole before the program starts, the
// script's thread, the end of the program and the whole-run timeout.
#include "script_run.h"
#include "script_commands.h"
#include "script_lines.h"
#include "script_options.h"
#include "script_transcript.h"

#include "platform/system.h"
#include "platform/window/window.h"
#include "runtime/entry.h"
#include "runtime/main_window.h"
#include "runtime/run_control.h"
#include "runtime/startup_state.h"

#include <atomic>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// How long the program may take to end after the script chose Exit.
enum { EXIT_GRACE_MS = 10000 };

struct ScriptJob {
    std::string file;
    std::vector<ScriptLine> lines;
    ScriptRun run;
    std::atomic<bool> program_ended{false};
    std::atomic<int> status{1};
};

static void Report(const ScriptJob& job, int line, const std::string& what) {
    if (line > 0) fprintf(stderr, "%s:%d: %s\n", job.file.c_str(), line, what.c_str());
    else fprintf(stderr, "%s: %s\n", job.file.c_str(), what.c_str());
    fflush(stderr);
}

// Every line names a known command with a fitting number of arguments, and every file it
// writes by a relative name stays in the output folder.
static bool CheckLines(const ScriptJob& job) {
    for (const ScriptLine& line : job.lines) {
        const ScriptCommand* c = FindScriptCommand(line.words[0]);
        int args = (int)line.words.size() - 1;
        if (!c) return Report(job, line.number, "unknown command \"" + line.words[0] + "\""), false;
        if (args < c->min_args || (c->max_args >= 0 && args > c->max_args))
            return Report(job, line.number, line.words[0] + " takes " + c->usage), false;
        // What a script writes stays in the output folder, whoever wrote the script.
        if (c->out_arg > 0 && args >= c->out_arg && ScriptNameClimbsOut(line.words[(size_t)c->out_arg]))
            return Report(job, line.number, "\"" + line.words[(size_t)c->out_arg] +
                                                "\" climbs out of the output folder (give an absolute path to write there)"),
                   false;
    }
    return true;
}

static int MakeFolders(const std::string& path) {
    for (size_t at = 1; at <= path.size(); at++) {
        if (at < path.size() && path[at] != '/') continue;
        if (mkdir(path.substr(0, at).c_str(), 0777) != 0 && errno != EEXIST) return 1;
    }
    return 0;
}

// Runs the lines; the failing line's number, or 0 when every step worked.
static int FollowScript(ScriptJob* job) {
    ScriptRun* run = &job->run;
    if (ScriptWaitFor(run, [] { return main_loop_running.load() && worker_stage.load() >= WORKER_IDLE; },
                      "the program to start") != 0)
        return job->lines.empty() ? 1 : job->lines[0].number;
    for (const ScriptLine& line : job->lines) {
        if (job->program_ended.load()) return (void)ScriptFail(run, "the program ended"), line.number;
        const ScriptCommand* c = FindScriptCommand(line.words[0]);
        ScriptArgs args(line.words.begin() + 1, line.words.end());
        if (c->run(run, args) != 0) return line.number;
        if (run->exit_requested) break;
    }
    return 0;
}

static void ScriptThread(ScriptJob* job) {
    int failed = FollowScript(job);
    if (failed) Report(*job, failed, job->run.error);
    job->status.store(failed ? 1 : 0);
    WindowId mw = main_window.load();
    if (mw) PlatPostMessage(mw, MSG_COMMAND, (uintptr_t)MakeParam(CMD_EXIT, 0), 0);
    // A program that does not end (a worker that ignores Exit, a box nobody answers) is ended
    // here, with the run's status: the script's outcome must reach the caller.
    uint32_t until = PlatGetTickMs() + EXIT_GRACE_MS;
    while (!job->program_ended.load()) {
        if ((int)(PlatGetTickMs() - until) > 0) {
            if (!failed) fprintf(stderr, "%s: the program did not end after the script\n", job->file.c_str());
            fflush(nullptr);
            _exit(1);
        }
        PlatSleepMs(10);
    }
}

// The last resort of the whole-run timeout: a step that never returns (a driver call stuck on a
// program that no longer answers) still ends the run, with status 1.
static void Watchdog(ScriptJob* job) {
    const uint32_t until = job->run.deadline_ms + EXIT_GRACE_MS;
    while (!job->program_ended.load()) {
        if ((int)(PlatGetTickMs() - until) > 0) {
            fprintf(stderr, "%s: the whole run timed out after %d s\n", job->file.c_str(), job->run.run_timeout_s);
            fflush(nullptr);
            _exit(1);
        }
        PlatSleepMs(20);
    }
}

static bool PrepareJob(const ScriptOptions& options, ScriptJob* job) {
    job->file = options.file;
    std::string error;
    int line = 0;
    if (ReadScriptFile(options.file.c_str(), &job->lines, &error, &line) != 0) return Report(*job, line, error), false;
    if (!CheckLines(*job)) return false;
    size_t slash = options.file.rfind('/');
    job->run.script_dir = slash == std::string::npos ? std::string() : options.file.substr(0, slash);
    job->run.out_dir = options.out_dir;
    job->run.run_timeout_s = options.timeout_s;
    job->run.program_ended = &job->program_ended;
    if (MakeFolders(options.out_dir) != 0) return Report(*job, 0, "cannot make the folder " + options.out_dir), false;
    return true;
}

bool RunScriptedProgram(int argc, char** argv, int* status) {
    ScriptOptions options;
    std::string error;
    if (ReadScriptOptions(argc, argv, &options, &error) != 0) {
        fprintf(stderr, "pixkit: %s\n", error.c_str());
        return *status = 1, true;
    }
    if (!options.wanted) return false;
    if (options.help) return PrintScriptHelp(stdout), *status = 0, true;
    static ScriptJob job;
    if (!PrepareJob(options, &job)) return *status = 1, true;
    if (!options.display) setenv("PIXKIT_BACKEND", "headless", 1);
    StartTextCopies();
    // The run's status must survive an Exit that had to stop the worker.
    exit_process_after_termination = false;
    job.run.deadline_ms = PlatGetTickMs() + (uint32_t)options.timeout_s * 1000u;
    std::thread script(ScriptThread, &job);
    std::thread watchdog(Watchdog, &job);
    int rc = RunProgram(argc, argv);
    job.program_ended.store(true);
    script.join();
    watchdog.join();
    *status = rc != 0 ? rc : job.status.load();
    // A worker that Exit had to stop is parked wherever it was: the process ends without the
    // static destructors, which could wait for a lock it holds.
    if (WorkerWasTerminated()) EndProcessAfterStoppedWorker(*status);
    return true;
}
