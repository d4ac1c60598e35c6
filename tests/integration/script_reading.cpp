// Reading a scripted run's words and options: quotes, escapes and comments in a line, the
// command line over the environment, the modifiers of pointer steps and output names that
// would climb out of the output folder.
#include "framework/script/script_commands.h"
#include "framework/script/script_lines.h"
#include "framework/script/script_options.h"
#include "framework/script/script_targets.h"
#include "support/harness.h"

#include <gtest/gtest.h>

#include <stdlib.h>

TEST(ScriptReading, LinesSplitIntoWordsWithQuotesEscapesAndComments) {
    struct Case {
        const char* line;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"", {}},
        {"   # a comment", {}},
        {"press go", {"press", "go"}},
        {"\tfield  inch_W 2.5\r", {"field", "inch_W", "2.5"}},
        {"wait-text 0 \"x  3.50H inch\" # the report", {"wait-text", "0", "x  3.50H inch"}},
        {"type \"a\\\"b\\\\c\\nd\\te\"", {"type", "a\"b\\c\nd\te"}},
        {"type \"\"", {"type", ""}},
        {"key a#b", {"key", "a#b"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words;
        std::string error;
        EXPECT_EQ(SplitScriptLine(c.line, &words, &error), 0) << c.line;
        EXPECT_EQ(words, c.words) << c.line;
    }
    std::vector<std::string> words;
    std::string error;
    EXPECT_EQ(SplitScriptLine("type \"open", &words, &error), 1);
    EXPECT_EQ(error, "unterminated quoted text");
}

TEST(ScriptReading, PointerModifiersAndOutputNamesThatClimbOut) {
    const struct { const char* word; bool known; int mods; } modifiers[] = {
        {"ctrl", true, INPUT_MOD_CONTROL}, {"Shift", true, INPUT_MOD_SHIFT}, {"alt", true, INPUT_MOD_ALT},
        {"ctrl+shift+alt", true, INPUT_MOD_CONTROL | INPUT_MOD_SHIFT | INPUT_MOD_ALT},
        {"control+alt", true, INPUT_MOD_CONTROL | INPUT_MOD_ALT},
        {"", false, 0}, {"meta", false, 0}, {"ctrl+", false, 0}, {"+ctrl", false, 0}, {"ctrl++shift", false, 0},
        {"ctrl+a", false, 0},
    };
    for (const auto& m : modifiers) {
        int mods = -1;
        EXPECT_EQ(ScriptModifiers(m.word, &mods), m.known) << m.word;
        if (m.known) {
            EXPECT_EQ(mods, m.mods) << m.word;
        }
    }
    const struct { const char* name; bool climbs; } names[] = {
        {"x.png", false},      {"sub/x.png", false},    {"sub/../x.png", false}, {"./a//b/../../x.png", false},
        {"/tmp/x.png", false}, {"../x.png", true},      {"../../x.png", true},   {"sub/../../x.png", true},
        {"./..", true},        {"a/./../b/../../x", true},
    };
    for (const auto& n : names) EXPECT_EQ(ScriptNameClimbsOut(n.name), n.climbs) << n.name;
}

TEST(ScriptReading, CommandLineWinsOverTheEnvironment) {
    setenv("PIXKIT_SCRIPT", "env.txt", 1);
    setenv("PIXKIT_SCRIPT_OUT", "env_out", 1);
    setenv("PIXKIT_SCRIPT_TIMEOUT", "5", 1);
    char a0[] = "prog", a1[] = "--out", a2[] = "cli_out", a3[] = "--display";
    char* argv[] = {a0, a1, a2, a3, nullptr};
    ScriptOptions o;
    std::string error;
    ASSERT_EQ(ReadScriptOptions(4, argv, &o, &error), 0) << error;
    EXPECT_TRUE(o.wanted);
    EXPECT_FALSE(o.help);
    EXPECT_TRUE(o.display);
    EXPECT_EQ(o.file, "env.txt");
    EXPECT_EQ(o.out_dir, "cli_out");
    EXPECT_EQ(o.timeout_s, 5);
    unsetenv("PIXKIT_SCRIPT");
    unsetenv("PIXKIT_SCRIPT_OUT");
    unsetenv("PIXKIT_SCRIPT_TIMEOUT");

    struct Bad {
        std::vector<const char*> args;
        const char* error;
    };
    const Bad bad[] = {
        {{"prog", "--script"}, "--script needs a value"},
        {{"prog", "--script", "s.txt", "--timeout", "0"}, "--timeout needs a positive number of seconds"},
        {{"prog", "--script", "s.txt", "--timeout", "9x"}, "--timeout needs a positive number of seconds"},
    };
    for (const Bad& b : bad) {
        ScriptOptions bo;
        std::vector<char*> args;
        for (const char* s : b.args) args.push_back(const_cast<char*>(s));
        EXPECT_EQ(ReadScriptOptions((int)args.size(), args.data(), &bo, &error), 1);
        EXPECT_EQ(error, b.error);
    }
    char h0[] = "prog", h1[] = "--script", h2[] = "--help";
    char* help[] = {h0, h1, h2, nullptr};
    ScriptOptions ho;
    ASSERT_EQ(ReadScriptOptions(3, help, &ho, &error), 0);
    EXPECT_TRUE(ho.wanted && ho.help);
    // Without either, nothing asks for a script.
    char* plain[] = {h0, nullptr};
    ScriptOptions po;
    ASSERT_EQ(ReadScriptOptions(1, plain, &po, &error), 0);
    EXPECT_FALSE(po.wanted);
}
