// How a scripted run is asked for: on the command line
//   --script FILE [--out DIR] [--timeout SECONDS] [--display]      (--script --help lists the commands)
// or, for programs started by other tools, through PIXKIT_SCRIPT, PIXKIT_SCRIPT_OUT and
// PIXKIT_SCRIPT_TIMEOUT. The command line wins over the environment.
#pragma once

#include <stdio.h>
#include <string>

struct ScriptOptions {
    bool wanted = false;     // a script was asked for
    bool help = false;       // --script --help
    bool display = false;    // run on the desktop instead of the headless backend
    std::string file;
    std::string out_dir = ".";
    int timeout_s = 60;      // the whole run
};

// 0 done; 1 with *error set (a missing value, a timeout that is not a positive number).
int ReadScriptOptions(int argc, char** argv, ScriptOptions* options, std::string* error);
// The usage and the command list.
void PrintScriptHelp(FILE* to);
