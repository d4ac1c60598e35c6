// The main window's right-click menu, prompts, shortcuts and drops on the real program, driven
// like a user: the menu from the client area, the caption and the menu bar with its greying;
// Image Window, Text Window, Input Box and Button Box answered at their prompts; Exit at each
// prompt and Start during one, which must neither hang nor start the user program; Window
// Info; pictures and a folder dropped on the window, also during an auto-started set-up.
#include "support/harness.h"
#include "support/image_access.h"
#include "support/outside_io.h"
#include "support/picture_files.h"
#include "support/program_fixture.h"
#include "support/tracked_menu.h"

#include "boxes/box_windows.h"
#include "boxes/button_box.h"
#include "boxes/input_box.h"
#include "framework/main_window_commands.h"
#include "imagewin/image_table.h"
#include "platform/draw/surface.h"
#include "runtime/main_window.h"
#include "runtime/request_channel.h"
#include "runtime/run_control.h"
#include "runtime/startup_state.h"
#include "textwin/text_window.h"

#include <gtest/gtest.h>

#include <limits.h>
#include <sys/stat.h>

#include <future>
#include <mutex>
#include <string>

// Set by the one test whose set-up entry starts the program at once and waits for a drop.
static std::atomic<bool> setup_waits_for_drop{false};

void UserSetup(void) {
    if (!setup_waits_for_drop.load()) return;
    PXK_CreateImage(5, "005", 0, 0, 16, 16, 100);
    StartRequested.store(1);
    while (main_command_depth.load() == 0 && ExitState.load() == 0) PXK_WaitForMessages(5);
}

namespace {

void PostCommand(int id) { PlatPostMessage(MainWindow(), MSG_COMMAND, (uintptr_t)MakeParam(id, 0), 0); }

// True when the current text window waits for the answer to `prompt`, printed at the start
// of `line`.
bool PromptWaits(int line, const char* prompt) {
    int id = current_text_window.load();
    TextWindowRecord* rec = &text_windows[id];
    if (!rec->is_open.load() || input_active.load() != id + 1) return false;
    std::lock_guard<LayerMutex> guard(rec->lock);
    return rec->cur_y == line * rec->cell_h && rec->cur_x == (int)strlen(prompt) * rec->cell_w;
}

// A command of the main window is over (no prompt, no request outstanding): only then does
// the window take the next one.
bool CommandEnded(void) {
    return DriverWaitFor([] { return main_command_depth.load() == 0 && input_active.load() == 0; }, HARNESS_TIMEOUT_MS);
}

// Prompts of a command, each with the answer typed at it.
using Prompts = std::vector<std::pair<const char*, const char*>>;

// Answers the prompts in order; the first of them is printed on `line`. Left clicks, which do
// nothing else in a text window, give it the keyboard first (an activation of the main window
// still on its way, after its menu or menu bar was used, may take it back once).
void Answer(int line, const Prompts& prompts) {
    for (const auto& [prompt, answer] : prompts) {
        ASSERT_TRUE(DriverWaitFor([&] { return PromptWaits(line, prompt); }, HARNESS_TIMEOUT_MS)) << prompt;
        WindowId window = text_windows[current_text_window.load()].hwnd.load();
        PlatRect c = DriverClientRectScreen(window);
        ASSERT_TRUE(DriverWaitFor([&] {
            DriverClick(c.left + 200, c.top + 150);
            return DriverWaitIdle() && PlatGetFocus() == window;
        }, HARNESS_TIMEOUT_MS));
        DriverType((std::string(answer) + "\n").c_str());
        line++;
    }
}

// An image in the slot with this title, size and depth, and when `at` is given, its pixels.
void ExpectImage(int slot, const char* title, int width, int height, int bits = 32,
                 uint32_t (*at)(int x, int y) = nullptr) {
    EXPECT_EQ(image_table[slot].in_use.load(), 1) << slot;
    EXPECT_STREQ(image_table[slot].title, title) << slot;
    EXPECT_EQ(image_table[slot].width, width) << slot;
    EXPECT_EQ(image_table[slot].height, height) << slot;
    EXPECT_EQ(image_table[slot].bits, bits) << slot;
    for (int y = 0; at && y < height; y++)
        for (int x = 0; x < width; x++)
            EXPECT_EQ(((uint32_t*)SurfaceRow(image_table[slot].dib, y))[x] & 0xFFFFFFu, at(x, y)) << x << "," << y;
}

using Program = ProgramTest;

std::vector<MenuRow> MainMenuRows(int s) {
    return {{"Paste\tCtrl+V", 1026, s}, {"", 0, 0}, {"Start", 1001, s}, {"Stop", 1003, 0}, {"E&xit", 1002, 0},
            {"", 0, 0}, {"Image Window", 1027, s}, {"Text Window", 1028, s}, {"Input Box", 1044, s},
            {"Button Box", 1051, s}, {"", 0, 0}, {"&Window Info.\tCtrl+W", 1045, s}};
}

// The menu opened at the screen point has the main window's rows in this state; then it is
// dismissed.
void ExpectMainMenuAt(PlatPoint p, int state) {
    ASSERT_TRUE(RightClickForMenu(p.x, p.y)) << p.x << "," << p.y;
    EXPECT_EQ(TrackedMenuRows(), MainMenuRows(state));
    ASSERT_TRUE(DismissTrackedMenu());
}

TEST_F(Program, TheMenuComesFromClientCaptionAndMenuBarAndGreysWhatCannotRun) {
    PlatRect client = DriverClientRectScreen(MainWindow()), outer = DriverWindowRect(MainWindow()), bar;
    ASSERT_TRUE(MenuBarItemRect(MainWindow(), 2, &bar));
    const PlatPoint points[] = {{client.left + 120, client.bottom - 8}, {outer.left + 60, outer.top + 8},
                                {bar.right + 20, (bar.top + bar.bottom) / 2}};
    for (PlatPoint p : points) ExpectMainMenuAt(p, MENU_ENABLED);
    // Text Window chosen from the menu opens text window 0.
    ASSERT_TRUE(RightClickForMenu(points[0].x, points[0].y));
    ASSERT_TRUE(ChooseTrackedRow(7));
    ASSERT_TRUE(DriverWaitFor([] { return text_windows[0].is_open.load() == 1; }));
    ASSERT_TRUE(CommandEnded());
    // Once the user program runs only Stop and Exit are offered, and Paste stays refused.
    ASSERT_TRUE(PressMenuBarItem(0));
    ASSERT_TRUE(DriverWaitFor([] { return Running.load() == 1; }));
    ExpectMainMenuAt(points[0], MENU_GRAYED);
}

TEST_F(Program, ImageWindowCreatesTheLowestFreeSlotAndIgnoresStartMeanwhile) {
    ASSERT_EQ(RequestCreateImage(0, "000", 8, 8, 32), REQUEST_DONE);
    ASSERT_EQ(RequestCreateImage(1, "001", 8, 8, 32), REQUEST_DONE);
    PostCommand(CMD_IMAGE_WINDOW);
    Answer(1, {{" Width=", "640"}, {"Height=", "480"}, {"Bit[32 or 8]=", "24"}});
    // A depth other than 32 and 8 ends the command without a word.
    ASSERT_TRUE(CommandEnded());
    EXPECT_EQ(ImagesInUse(), 2);

    PostCommand(CMD_IMAGE_WINDOW);
    ASSERT_TRUE(DriverWaitFor([] { return PromptWaits(5, " Width="); }));
    // During a prompt: only Stop and Exit in the menu, and Start from the menu bar is ignored.
    PlatRect client = DriverClientRectScreen(MainWindow());
    ExpectMainMenuAt(PlatPoint{client.left + 120, client.bottom - 8}, MENU_GRAYED);
    ASSERT_TRUE(PressMenuBarItem(0));
    Answer(5, {{" Width=", "640"}, {"Height=", "480"}, {"Bit[32 or 8]=", "8"}});
    ASSERT_TRUE(DriverWaitFor([] { return image_table[2].in_use.load() == 1; }));
    ASSERT_TRUE(CommandEnded());
    ExpectImage(2, "002", 640, 480, 8);
    EXPECT_EQ(Running.load(), 0);
    EXPECT_EQ(StartRequested.load(), 0);
    EXPECT_TRUE(ProgramRunning());
    EXPECT_EQ(StopProgram(3000), 0);
}

TEST_F(Program, TextWindowInputBoxAndButtonBoxFromTheirPrompts) {
    RequestOpenTextWindow(0);
    RequestOpenTextWindow(2);
    PostCommand(CMD_TEXT_WINDOW);
    ASSERT_TRUE(DriverWaitFor([] { return text_windows[1].is_open.load() == 1; }));
    ASSERT_TRUE(CommandEnded());
    PlatRect r;
    PlatGetClientRect(text_windows[1].hwnd.load(), &r);
    EXPECT_EQ(RectWidth(r), 400);
    EXPECT_EQ(RectHeight(r), 300);

    // The prompts go to the current text window, the one just opened.
    PostCommand(CMD_INPUT_BOX);
    Answer(1, {{"How many items? >", "  +7 items"}});
    ASSERT_TRUE(DriverWaitFor([] { return input_box.load() != 0 && item_count.load() == 7; }));
    ASSERT_TRUE(CommandEnded());
    PostCommand(CMD_BUTTON_BOX);
    Answer(3, {{"Number[X]=>", "3"}, {"Number[Y]=>", "2"}});
    ASSERT_TRUE(DriverWaitFor([] { return button_box.load() != 0 && button_count.load() == 6; }));
    ASSERT_TRUE(CommandEnded());
    // A grid too large for the box, however large the number typed, keeps the old box.
    WindowId grid = button_box.load();
    PostCommand(CMD_BUTTON_BOX);
    Answer(6, {{"Number[X]=>", "99999999999999999999"}, {"Number[Y]=>", "-99999999999999999999"}});
    ASSERT_TRUE(CommandEnded());
    EXPECT_EQ(button_box.load(), grid);
    EXPECT_EQ(button_count.load(), 6);
}

// Exit at a prompt ends the program instead of leaving the main thread waiting for a request
// that is never carried out (how quickly is the business of bench/, not of a test). Each case
// runs in a process of its own: after Exit a fresh program must not meet what the last one's
// stopped worker left behind.
struct PromptExit {
    int command, answered;
    Prompts prompts;
};

void PrintTo(const PromptExit& c, std::ostream* os) { *os << c.command << " after " << c.answered << " answers"; }

class MainWindowPrompts : public ::testing::TestWithParam<PromptExit> {};

TEST_P(MainWindowPrompts, ExitAtThePromptEndsTheProgram) {
    const PromptExit& c = GetParam();
    ASSERT_TRUE(StartProgram());
    WindowId boxes[2] = {input_box.load(), button_box.load()};
    PostCommand(c.command);
    Prompts answered(c.prompts.begin(), c.prompts.begin() + c.answered);
    Answer(1, answered);
    ASSERT_TRUE(DriverWaitFor([&] { return PromptWaits(1 + c.answered, c.prompts[c.answered].first); },
                              HARNESS_TIMEOUT_MS));
    ASSERT_TRUE(PressMenuBarItem(2));
    EXPECT_EQ(WaitProgramEnd(), 0);
    EXPECT_EQ(ImagesInUse(), 0);
    EXPECT_EQ(input_box.load(), boxes[0]);
    EXPECT_EQ(button_box.load(), boxes[1]);
}

// Each command's prompts with answers; a case answers the first `answered` and exits at the next.
const Prompts IMAGE_PROMPTS = {{" Width=", "64"}, {"Height=", "48"}, {"Bit[32 or 8]=", "32"}};
const Prompts GRID_PROMPTS = {{"Number[X]=>", "3"}, {"Number[Y]=>", "2"}};

INSTANTIATE_TEST_SUITE_P(EveryPrompt, MainWindowPrompts,
                         ::testing::Values(PromptExit{CMD_IMAGE_WINDOW, 0, IMAGE_PROMPTS},
                                           PromptExit{CMD_IMAGE_WINDOW, 1, IMAGE_PROMPTS},
                                           PromptExit{CMD_IMAGE_WINDOW, 2, IMAGE_PROMPTS},
                                           PromptExit{CMD_INPUT_BOX, 0, {{"How many items? >", "3"}}},
                                           PromptExit{CMD_BUTTON_BOX, 0, GRID_PROMPTS},
                                           PromptExit{CMD_BUTTON_BOX, 1, GRID_PROMPTS}),
                         [](const auto& param) { return "Case" + std::to_string(param.index); });

void PressCtrl(int key) {
    DriverSetModifiers(INPUT_MOD_CONTROL);
    PressMainWindowKey(key, INPUT_MOD_CONTROL);
    ASSERT_TRUE(DriverWaitIdle());
    DriverSetModifiers(0);
}

TEST(MainWindowInfo, OpensTextWindowZeroOrSaysWhyNotWhileTheProgramRuns) {
    ASSERT_TRUE(StartProgram());
    PressCtrl('W');
    ASSERT_TRUE(DriverWaitFor([] { return text_windows[0].is_open.load() == 1; }));
    EXPECT_EQ(StopProgram(), 0);

    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(PressMenuBarItem(0));
    ASSERT_TRUE(DriverWaitFor([] { return Running.load() == 1; }));
    PressCtrl('W');
    ASSERT_TRUE(DriverWaitFor([] { return StatusText().find("No text window") != std::string::npos; }));
    EXPECT_EQ(text_windows[0].is_open.load(), 0);
    EXPECT_EQ(StopProgram(3000), 0);
}

// ---- Drops -------------------------------------------------------------------------------

struct Drops : Program {
    void SetUp() override {
        folder = FreshFolder("drops");
        Program::SetUp();
    }
    void TearDown() override {
        Program::TearDown();
        RunCommand("rm -rf '" + folder + "'");
    }
    std::string Picture(const std::string& name, int width, int height) {
        std::string path = folder + "/" + name;
        RunCommand("convert -size " + std::to_string(width) + "x" + std::to_string(height) + " xc:red '" + path + "'");
        return path;
    }
    // Drops the files and waits until `images` images exist and the drop has ended.
    void Drop(const std::vector<std::string>& paths, int images) {
        PlatRect c = DriverClientRectScreen(MainWindow());
        DriverDrop(c.left + 20, c.top + 10, paths);
        ASSERT_TRUE(DriverWaitFor([&] { return ImagesInUse() == images && main_command_depth.load() == 0; }));
        ASSERT_TRUE(DriverWaitIdle());
    }
    std::string folder;
};

// The last pixel of a dropped picture's image, which the load has filled.
uint32_t LastPixel(int slot) {
    const ImageRecord& r = image_table[slot];
    return ((const uint32_t*)image_pixels[slot])[r.width * r.height - 1];
}

TEST_F(Drops, ThreePicturesFillTheFreeSlotsInOrderAndAFolderIsSkipped) {
    ASSERT_EQ(RequestCreateImage(1, "001", 8, 8, 32), REQUEST_DONE);
    std::string a = Picture("a.png", 30, 20), b = Picture("b.gif", 12, 40), c = Picture("c.bmp", 7, 9);
    ASSERT_EQ(mkdir((folder + "/sub.png").c_str(), 0700), 0);
    ASSERT_TRUE(WriteFileBytes(folder + "/notes.txt", "no picture"));
    Drop({a, folder + "/sub.png", folder + "/notes.txt", b, c}, 4);
    ExpectImage(0, "000 a.png", 30, 20);
    ExpectImage(2, "002 b.gif", 12, 40);
    ExpectImage(3, "003 c.bmp", 7, 9);
    for (int slot : {0, 2, 3}) EXPECT_EQ(LastPixel(slot), 0xFF0000u) << slot;
    EXPECT_EQ(ImagesInUse(), 4);
    // The image current before the drop is current again.
    EXPECT_EQ(current_image.load(), 1);
}

TEST_F(Drops, LongPathsOpenWholeAndLongNamesAreCutBetweenCharacters) {
    // A path far over 260 bytes, and a name of 255 bytes with two-byte characters.
    std::string deep = folder;
    for (int i = 0; i < 12; i++) deep += "/" + std::string(40, 'd');
    RunCommand("mkdir -p '" + deep + "'");
    std::string name = "ab";
    for (int i = 0; i < 126; i++) name += "\xC3\xA9";
    name += "c";
    ASSERT_EQ(name.size(), 255u);
    std::string long_path = deep + "/" + name;
    RunCommand("convert -size 5x6 xc:red 'PNG:" + long_path + "'");
    Drop({long_path}, 1);
    std::string title = "000 ab";
    for (int i = 0; i < 124; i++) title += "\xC3\xA9";
    ExpectImage(0, title.c_str(), 5, 6);
}

TEST(MainWindowDrops, ADropDuringAnAutoStartedSetUpIsFinishedBeforeTheUserProgram) {
    setup_waits_for_drop.store(true);
    const std::string folder = FreshFolder("setup_drop");
    const std::string path = folder + "/p.png";
    RunCommand("convert -size 9x4 xc:blue '" + path + "'");
    auto started = std::async(std::launch::async, [] { return StartProgram(); });
    ASSERT_TRUE(DriverWaitFor([] { return main_loop_running.load() && worker_stage.load() == WORKER_SETUP; }));
    PlatRect c = DriverClientRectScreen(MainWindow());
    DriverDrop(c.left + 20, c.top + 10, {path});
    ASSERT_TRUE(started.get());
    ASSERT_TRUE(DriverWaitFor([] { return Running.load() == 1; }));
    ExpectImage(0, "000 p.png", 9, 4);
    EXPECT_EQ(LastPixel(0), 0x0000FFu);
    // The drop's last request, the return to image 5, was carried out before UserMain.
    EXPECT_EQ(current_image.load(), 5);
    EXPECT_EQ(StopProgram(3000), 0);
    RunCommand("rm -rf '" + folder + "'");
}

// What Paste does with the clipboard's picture: a new 32-bit image in the lowest free slot
// holding the bitmap's pixels, the previous current image current again.
TEST_F(Program, APastedPictureBecomesANewImageInTheLowestFreeSlot) {
    ASSERT_EQ(RequestCreateImage(0, "000", 8, 8, 32), REQUEST_DONE);
    const auto at = [](int x, int y) { return (uint32_t)(0x010203 * (y * 6 + x + 1)); };
    Surface* bitmap = nullptr;
    ASSERT_EQ(PlatCreateSurface(&bitmap, 6, 4, 32), 0);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 6; x++) ((uint32_t*)SurfaceRow(bitmap, y))[x] = at(x, y);
    PastePicture(bitmap);
    ExpectImage(1, "001", 6, 4, 32, at);
    EXPECT_EQ(current_image.load(), 0);
}

// Ctrl+V on the main window reads another program's picture (a PNG made by ImageMagick,
// offered through the driver) and makes it a new image; the current image stays current.
TEST_F(Program, CtrlVMakesAnotherProgramsPictureANewImage) {
    ASSERT_EQ(RequestCreateImage(0, "000", 8, 8, 32), REQUEST_DONE);
    const std::string dir = FreshFolder("main_paste");
    ASSERT_TRUE(WritePpm(dir + "/p.ppm", 7, 5));
    RunCommand("convert " + dir + "/p.ppm PNG24:" + dir + "/p.png");
    const std::string png = ReadFileBytes(dir + "/p.png");
    ASSERT_FALSE(png.empty());
    ASSERT_TRUE(DriverOfferClipboard({{"image/png", std::vector<uint8_t>(png.begin(), png.end())}}));
    // The new image window takes the keyboard when it comes up: give it back first.
    ASSERT_TRUE(DriverWaitIdle());
    PlatSetForegroundWindow(MainWindow());
    ASSERT_TRUE(DriverWaitFor([] { return PlatGetFocus() == MainWindow(); }));
    PressCtrl('V');
    ASSERT_TRUE(DriverWaitFor([] { return image_table[1].in_use.load() == 1; }));
    ASSERT_TRUE(CommandEnded());
    ExpectImage(1, "001", 7, 5, 32, PatternColor);
    EXPECT_EQ(current_image.load(), 0);
}

TEST(MainWindowAnswers, NumbersAreHeldToIntAndTitlesCutBetweenCharacters) {
    const struct { const char* text; int value; } numbers[] = {
        {"640", 640},   {"  \t-12x", -12},          {"+7", 7},          {"abc", 0},
        {"", 0},        {"99999999999999999999", INT_MAX}, {"-2147483648", INT_MIN},
        {"-99999999999999999999", INT_MIN}, {"2147483647", INT_MAX}, {"- 5", 0},
    };
    for (const auto& n : numbers) EXPECT_EQ(AnswerNumber(n.text), n.value) << n.text;
    char title[256];
    FormatSlotTitle(title, 7, "x.png");
    EXPECT_STREQ(title, "007 x.png");
    std::string three_byte;
    for (int i = 0; i < 100; i++) three_byte += "\xE3\x81\x82";
    FormatSlotTitle(title, 12, three_byte.c_str());
    // 251 bytes of room hold 83 whole characters (249 bytes).
    EXPECT_EQ(strlen(title), 4u + 249u);
    EXPECT_EQ(std::string(title + 4), three_byte.substr(0, 249));
}

}  // namespace
