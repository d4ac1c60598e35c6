// Reading the scripted run's options and printing its help.
#include "script_options.h"
#include "script_commands.h"

#include <stdlib.h>
#include <string.h>

static bool ReadSeconds(const char* text, int* seconds) {
    char* end = nullptr;
    long v = strtol(text, &end, 10);
    if (!*text || *end != 0 || v <= 0 || v > 86400) return false;
    *seconds = (int)v;
    return true;
}

static void ReadEnvironment(ScriptOptions* o, std::string* error) {
    const char* file = getenv("PIXKIT_SCRIPT");
    const char* out = getenv("PIXKIT_SCRIPT_OUT");
    const char* timeout = getenv("PIXKIT_SCRIPT_TIMEOUT");
    if (file && *file) o->wanted = true, o->file = file;
    if (out && *out) o->out_dir = out;
    if (timeout && *timeout && !ReadSeconds(timeout, &o->timeout_s))
        *error = "PIXKIT_SCRIPT_TIMEOUT is not a number of seconds";
}

int ReadScriptOptions(int argc, char** argv, ScriptOptions* o, std::string* error) {
    error->clear();
    ReadEnvironment(o, error);
    for (int i = 1; i < argc && error->empty(); i++) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (strcmp(arg, "--display") == 0) {
            o->display = true;
            continue;
        }
        bool takes_value = strcmp(arg, "--script") == 0 || strcmp(arg, "--out") == 0 || strcmp(arg, "--timeout") == 0;
        if (!takes_value) continue;
        if (!value) {
            *error = std::string(arg) + " needs a value";
            break;
        }
        i++;
        if (strcmp(arg, "--script") == 0) {
            o->wanted = true;
            o->help = strcmp(value, "--help") == 0;
            o->file = value;
        } else if (strcmp(arg, "--out") == 0) {
            o->out_dir = value;
        } else if (!ReadSeconds(value, &o->timeout_s)) {
            *error = "--timeout needs a positive number of seconds";
        }
    }
    return error->empty() ? 0 : 1;
}

void PrintScriptHelp(FILE* to) {
    fprintf(to,
            "usage: PROGRAM --script FILE [--out DIR] [--timeout SECONDS] [--display]\n"
            "   or: PIXKIT_SCRIPT=FILE [PIXKIT_SCRIPT_OUT=DIR] [PIXKIT_SCRIPT_TIMEOUT=SECONDS] PROGRAM\n"
            "Runs the program without a display (with --display: on the desktop), follows the\n"
            "script line by line and ends with status 0 when every step worked, otherwise 1 with\n"
            "\"FILE:LINE: what failed\" on stderr. The whole run ends after SECONDS (default 60).\n"
            "Words are separated by blanks; \"quoted text\" is one word (\\n \\t \\\" \\\\ inside);\n"
            "# starts a comment. Files written go to DIR, files read are found beside the script.\n"
            "A WINDOW is main, text:N, image:N, inspector, class:NAME or a window title. MODS are\n"
            "keys held during a pointer step: ctrl, shift or alt, several joined by + (ctrl+shift).\n"
            "A relative FILE written may not climb out of DIR with \"..\".\n\ncommands:\n");
    int count = 0;
    const ScriptCommand* table = ScriptCommandTable(&count);
    for (int i = 0; i < count; i++) fprintf(to, "  %-14s %s\n", table[i].name, table[i].usage);
}
