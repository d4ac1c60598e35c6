// The script file as lines of words. A word is a run of non-blank characters or a text in
// double quotes (with \" \\ \n \t inside); a word that starts with '#' begins a comment that
// runs to the end of the line. Blank and comment lines are dropped.
#pragma once

#include <string>
#include <vector>

struct ScriptLine {
    int number;                        // 1-based line in the file
    std::vector<std::string> words;    // command name first
};

// Splits one line; 0 done, 1 with *error set (an unterminated quote).
int SplitScriptLine(const std::string& text, std::vector<std::string>* words, std::string* error);
// Reads the whole file; 0 done, 1 with *error set and *error_line the line (0: the file).
int ReadScriptFile(const char* path, std::vector<ScriptLine>* lines, std::string* error, int* error_line);
