// Reading a script: lines split into words, quotes and escapes resolved, comments dropped.
#include "script_lines.h"

#include <stdio.h>

static char Unescape(char c) {
    switch (c) {
    case 'n': return '\n';
    case 't': return '\t';
    default: return c;
    }
}

// Reads a quoted word starting after the opening quote at text[*i]; false when unterminated.
static bool ReadQuoted(const std::string& text, size_t* i, std::string* word) {
    for (size_t k = *i; k < text.size(); k++) {
        if (text[k] == '"') {
            *i = k + 1;
            return true;
        }
        if (text[k] == '\\' && k + 1 < text.size()) k++, *word += Unescape(text[k]);
        else *word += text[k];
    }
    return false;
}

int SplitScriptLine(const std::string& text, std::vector<std::string>* words, std::string* error) {
    words->clear();
    size_t i = 0;
    for (;;) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) i++;
        if (i >= text.size() || text[i] == '#') return 0;
        std::string word;
        if (text[i] == '"') {
            i++;
            if (!ReadQuoted(text, &i, &word)) {
                *error = "unterminated quoted text";
                return 1;
            }
        } else {
            while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r') word += text[i++];
        }
        words->push_back(word);
    }
}

int ReadScriptFile(const char* path, std::vector<ScriptLine>* lines, std::string* error, int* error_line) {
    *error_line = 0;
    FILE* f = fopen(path, "r");
    if (!f) {
        *error = "cannot read the script";
        return 1;
    }
    std::string text;
    int number = 0, c = 0;
    int rc = 0;
    while (rc == 0 && c != EOF) {
        text.clear();
        while ((c = fgetc(f)) != EOF && c != '\n') text += (char)c;
        if (c == EOF && text.empty()) break;
        number++;
        ScriptLine line{number, {}};
        rc = SplitScriptLine(text, &line.words, error);
        if (rc != 0) *error_line = number;
        else if (!line.words.empty()) lines->push_back(line);
    }
    fclose(f);
    return rc;
}
