// The test-pattern application run by a script in a process of its own, as a grading job or
// CI would run it: the script's files are read back with ImageMagick and compared with the
// pattern's rules written out from scratch; failing scripts end with status 1 and one line
// naming the script's line.
#include "framework/startup.h"
#include "support/harness.h"
#include "support/outside_io.h"
#include "support/pattern_reference.h"
#include "support/picture_files.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct ScriptResult {
    int status = -1;
    std::string err;
};

// Writes the script into dir and runs this test binary again as the program, with the
// script given through the environment; the outputs go to dir/out.
ScriptResult RunScript(const std::string& dir, const std::string& script, int run_timeout_s = 60) {
    ScriptResult result;
    const std::string path = dir + "/steps.txt", err_path = dir + "/stderr.txt";
    if (!WriteFileBytes(path, script)) return result;
    pid_t pid = fork();
    if (pid == 0) {
        // The folder is the start folder too: no log file of another run is found there.
        if (!freopen(err_path.c_str(), "w", stderr) || !freopen("/dev/null", "w", stdout) || chdir(dir.c_str()) != 0)
            _exit(126);
        setenv("PIXKIT_SCRIPT", path.c_str(), 1);
        setenv("PIXKIT_SCRIPT_OUT", (dir + "/out").c_str(), 1);
        setenv("PIXKIT_SCRIPT_TIMEOUT", std::to_string(run_timeout_s).c_str(), 1);
        unsetenv("PIXKIT_BACKEND");
        execl("/proc/self/exe", "child", "--gtest_filter=Script.ChildProcessRun", (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return result;
    result.status = WEXITSTATUS(status);
    result.err = ReadFileBytes(err_path);
    return result;
}

// A PNG of the pixels written by ImageMagick from a PPM, for the script to compare with.
bool WriteReferencePng(const std::string& path, const Canvas& c) {
    const std::string ppm = path + ".ppm";
    if (!WritePpm(ppm, c.w, c.h, &c.px)) return false;
    RunCommand("convert '" + ppm + "' '" + path + "'");
    return !ReadFileBytes(path).empty();
}

long DifferingPixels(const std::string& png, const Canvas& want) {
    int w = 0, h = 0;
    std::vector<uint32_t> px = MagickPixels(png, &w, &h);
    if (w != want.w || h != want.h) return -1;
    long bad = 0;
    for (size_t i = 0; i < px.size(); i++) bad += (px[i] & 0xFFFFFFu) != want.px[i];
    return bad;
}

}  // namespace

// Child side: the program entry with the script of the environment. Skipped unless started
// by RunScript.
TEST(Script, ChildProcessRun) {
    if (!getenv("PIXKIT_SCRIPT")) GTEST_SKIP() << "runs only as a child process";
    static char name[] = "child";
    char* argv[] = {name, nullptr};
    int status = PixkitMain(1, argv);
    fflush(nullptr);
    _exit(status);
}

// Edits in the input box, the about line by the window's menu and by Ctrl+A, the message box
// of Ctrl+C without a log answered, "go", and the files: the image's pixels at its own size,
// the view of its window, the report lines, and a passing comparison with an independent
// rendering.
TEST(Script, EditsGoAndSavesTheSheetAndTheReport) {
    const std::string dir = FreshFolder("script_app");
    const Canvas want = Pattern(897, 1050, 300, 300);
    ASSERT_TRUE(WriteReferencePng(dir + "/want.png", want));
    ScriptResult r = RunScript(dir,
                               "# the width cut to whole hundredths, then a sheet\n"
                               "wait-window main\n"
                               "field inch_W 2.999\n"
                               "wait-text 0 \"inch_W: 2.990000\"\n"
                               "right-click text:0 20 20\n"
                               "menu \"About PIXKIT\"\n"
                               "wait-text 0 \"PIXKIT version\"\n"
                               "click text:0 20 20\n"
                               "key ctrl+a\n"
                               "wait-text 0 \"0\\nPIXKIT version\"\n"
                               "key ctrl+c\n"
                               "answer ok\n"
                               "press go\n"
                               "wait-image 0\n"
                               "wait-text 0 \"H inch\"\n"
                               "save-image 0 sheet.png\n"
                               "save-window image:0 view.png\n"
                               "save-text 0 text0.txt\n"
                               "compare-image 0 want.png\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(DifferingPixels(dir + "/out/sheet.png", want), 0);
    // The window shows the sheet at 100%, cut to the screen's height.
    int w = 0, h = 0;
    std::vector<uint32_t> view = MagickPixels(dir + "/out/view.png", &w, &h);
    ASSERT_EQ(w, 897);
    ASSERT_GT(h, 100);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            ASSERT_EQ(view[(size_t)y * w + x] & 0xFFFFFFu, want.px[(size_t)y * want.w + x]) << x << "," << y;
    EXPECT_EQ(ReadFileBytes(dir + "/out/text0.txt"),
              "1: \npW: 897\ninch_W: 2.990000\nPIXKIT version " PIXKIT_VERSION "\nPIXKIT version " PIXKIT_VERSION
              "\n897Wx1050H dots\n 2.99W\nx  3.50H inch\n");
}

// Each bad script ends with status 1 and one line "file:line: what failed"; what was saved
// before the failing line stays.
TEST(Script, FailuresNameTheLineAndEndWithStatusOne) {
    struct Case {
        const char* script;
        int run_timeout_s;
        const char* error;   // after "<script>:"; empty: the write failure below
    };
    const Case cases[] = {
        {"wait-window main\n\nfrobnicate 1\n", 60, "3: unknown command \"frobnicate\"\n"},
        {"# never there\ntimeout 1\npress \"no such button\"\n", 60,
         "3: waited 1000 ms for control \"no such button\"\n"},
        {"save-window main kept.png\n\nsave-text 0 missing/x.txt\n", 60, ""},
        {"timeout 30\nwait-window main\nwait-window Nothing 1\n", 60, "3: waited 1000 ms for window \"Nothing\"\n"},
        {"wait-window main\nwait-window \"A window that never opens\"\n", 2,
         "2: the whole run timed out after 2 s\n"},
    };
    for (const Case& c : cases) {
        const std::string dir = FreshFolder("script_bad");
        ScriptResult r = RunScript(dir, c.script, c.run_timeout_s);
        EXPECT_EQ(r.status, 1) << c.script;
        const std::string error = c.error[0] ? c.error : "3: cannot write " + dir + "/out/missing/x.txt\n";
        EXPECT_EQ(r.err, dir + "/steps.txt:" + error) << c.script;
        if (!c.error[0]) {
            EXPECT_NE(ReadFileBytes(dir + "/out/kept.png"), "");
        }
    }
}

// A sheet that differs from the reference in one pixel fails the comparison, which writes a
// difference picture red at that pixel only.
TEST(Script, ComparisonFailureWritesTheDifference) {
    const std::string dir = FreshFolder("script_compare");
    Canvas want = Pattern(1350, 1050, 300, 300);
    want.px[(size_t)7 * want.w + 5] ^= 0x000010u;
    ASSERT_TRUE(WriteReferencePng(dir + "/want.png", want));
    ScriptResult r = RunScript(dir,
                               "press go\nwait-text 0 \"H inch\"\n"
                               "compare-image 0 want.png 16\n"
                               "compare-image 0 want.png 15 diff.png\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, dir + "/steps.txt:4: 1 pixels differ from " + dir + "/want.png\n");
    int w = 0, h = 0;
    std::vector<uint32_t> diff = MagickPixels(dir + "/out/diff.png", &w, &h);
    ASSERT_EQ(w, 1350);
    ASSERT_EQ(h, 1050);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            ASSERT_EQ(diff[(size_t)y * w + x] & 0xFFFFFFu, (x == 5 && y == 7) ? 0xFF0000u : 0u) << x << "," << y;
}

// The pointer steps that reach the image window's processing menu: the middle button and Ctrl
// with the right button open it, "menu" steps through "Process..." to an item, and "hover"
// moves a drawing tool's preview without a click. A plain right click opens the edit menu,
// which has no "Process..."; a save name that climbs out of the output folder is refused
// before the program starts, and an unknown modifier names itself.
TEST(Script, PointerStepsAndNestedMenusReachTheProcessingMenu) {
    // The sheet is drawn whole once the program has settled after "go".
    const std::string start = "press go\nwait-image 0\nwait-text 0 \"H inch\"\nsettle\n";
    const struct { std::string script; const char* error; } cases[] = {
        {start + "middle-click image:0 20 20\nmenu \"Process...\" \"Invert\"\n"
                 "right-click image:0 20 20 ctrl\nmenu \"Process...\" \"Horz. Flip\"\nsave-image 0 turned.png\n"
                 "middle-click image:0 20 20 shift+alt\nmenu \"Draw Box...\" \"Normal\"\n"
                 "click image:0 10 10\nhover image:0 30 20\nsave-image 0 box.png\n",
         ""},
        {start + "timeout 1\nright-click image:0 20 20\nmenu \"Process...\" \"Invert\"\n",
         "7: waited 1000 ms for menu item \"Process...\"\n"},
        {start + "middle-click image:0 20 20\nmenu \"Process...\"\n",
         "6: menu item \"Process...\" opens a submenu: name one of its items after it\n"},
        {start + "click image:0 20 20 meta\n", "5: unknown modifiers \"meta\" (ctrl, shift or alt, joined by +)\n"},
        {"wait-window main\nsave-image 0 sub/../../x.png\n",
         "2: \"sub/../../x.png\" climbs out of the output folder (give an absolute path to write there)\n"},
    };
    std::vector<std::string> dirs;
    for (const auto& c : cases) {
        dirs.push_back(FreshFolder("script_pointer" + std::to_string(dirs.size())));
        ScriptResult r = RunScript(dirs.back(), c.script);
        EXPECT_EQ(r.status, c.error[0] ? 1 : 0) << c.script;
        EXPECT_EQ(r.err, c.error[0] ? dirs.back() + "/steps.txt:" + c.error : "") << c.script;
        EXPECT_EQ(ReadFileBytes(dirs.back() + "/x.png"), "");
    }
    // Inverted, then turned left to right; the preview box inverts its border once more.
    const Canvas sheet = Pattern(1350, 1050, 300, 300);
    Canvas turned = sheet, box = sheet;
    for (int y = 0; y < sheet.h; y++)
        for (int x = 0; x < sheet.w; x++) {
            const uint32_t v = sheet.px[(size_t)y * sheet.w + (sheet.w - 1 - x)] ^ 0xFFFFFFu;
            const bool border = x >= 10 && x <= 30 && y >= 10 && y <= 20 && (x == 10 || x == 30 || y == 10 || y == 20);
            turned.px[(size_t)y * sheet.w + x] = v;
            box.px[(size_t)y * sheet.w + x] = border ? v ^ 0xFFFFFFu : v;
        }
    EXPECT_EQ(DifferingPixels(dirs[0] + "/out/turned.png", turned), 0);
    EXPECT_EQ(DifferingPixels(dirs[0] + "/out/box.png", box), 0);
}
