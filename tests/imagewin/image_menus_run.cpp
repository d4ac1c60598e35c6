// The image window's popup menus and the commands behind them in the running program: the
// edit menu with its zoom check marks, the processing menu and every submenu, the 8-bit
// Information submenu; items chosen with the mouse that zoom, prompt, resize, destroy,
// invert, flip, turn, scale, draw the test charts, clip and start the tools and dialogs;
// turns and size steps that cannot be shown leaving the image whole, and Zoom... and
// Resize... saying why they refuse; Load going to the window's image when another command
// changed the current image during the dialog; loads, saves and drops that fail naming the
// file and the reason in a box.
#include <climits>
#include <random>

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imagewin/file_dialogs.h"
#include "imagewin/file_failures.h"
#include "imagewin/image_commands.h"
#include "imagewin/image_edit_commands.h"
#include "imagewin/image_table.h"
#include "imagewin/image_transforms.h"
#include "imagewin/view_fit.h"
#include "platform/controls/file_dialog.h"
#include "platform/draw/draw.h"
#include "platform/draw/surface.h"
#include "runtime/run_control.h"
#include "support/harness.h"
#include "support/image_access.h"
#include "support/outside_io.h"
#include "support/picture_files.h"
#include "support/program_fixture.h"
#include "support/stderr_capture.h"
#include "support/tracked_menu.h"
#include "support/worker_jobs.h"

extern "C" void UserSetup(void) { StartRequested.store(1); }
extern "C" void UserMain(void) { ServeJobsUntilExit(); }

namespace {

// 32-bit pixels carry a top byte, which every operation here keeps.
uint32_t Pattern32(int x, int y) { return 0x5A000000u | (uint32_t)(x * 40) << 16 | (uint32_t)(y * 60) << 8 | (uint32_t)(x + 5 * y); }
uint32_t Pattern8(int x, int y) { return (uint32_t)(x * 16 + y * 3 + 1) & 255; }

struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;   // rows packed; 8-bit indices widened
    bool operator==(const Picture&) const = default;
};

Picture PictureOf(int index) {
    return Ask<Picture>([=] {
        const ImageRecord& r = image_table[index];
        return r.in_use.load() ? Picture{r.width, r.height, ReadImagePixels(index)} : Picture{};
    });
}

Picture MakePicture(int w, int h, const std::function<uint32_t(int, int)>& at) {
    Picture p{w, h, {}};
    for (int i = 0; i < w * h; i++) p.pixels.push_back(at(i % w, i / w));
    return p;
}

// Makes image `index` (w x h, bits) at a place of its own and fills it with the pixels `at`
// gives, by default the pattern of its depth.
void Make(int index, int w, int h, int bits = 32, int zoom = 100, std::function<uint32_t(int, int)> at = nullptr) {
    if (!at) at = bits == 32 ? Pattern32 : Pattern8;
    ASSERT_EQ(Ask<int>([&] {
        PXK_DestroyImage(index);
        const int code = PXK_CreateImageEx(index, "menus", 40 + 420 * index, 60, w, h, zoom, bits, 1);
        if (!code) WriteImagePixels(index, at);
        return code;
    }), 0);
}

// The screen point over the middle of an image pixel.
PlatPoint PixelOnScreen(int index, int x, int y) {
    const PlatRect c = DriverClientRectScreen(ImageWindow(index));
    const int zoom = ImageZoom(index);
    return PlatPoint{c.left + (x * zoom + zoom / 2) / 100, c.top + (y * zoom + zoom / 2) / 100};
}

enum MenuButton { EDIT, CTRL_RIGHT, MIDDLE };

bool OpenMenu(PlatPoint p, MenuButton how) {
    DriverSetModifiers(how == CTRL_RIGHT ? INPUT_MOD_CONTROL : 0);
    const bool open = ClickForMenu(p.x, p.y, how == MIDDLE ? BUTTON_MIDDLE : BUTTON_RIGHT);
    DriverSetModifiers(0);
    return open;
}

bool OpenMenu(int index, MenuButton how) { return OpenMenu(PixelOnScreen(index, 0, 0), how); }

// Opens a menu at the point and chooses the item at the end of the path of positions
// (submenus first).
void Choose(PlatPoint at, MenuButton how, const std::vector<int>& path) {
    ASSERT_TRUE(OpenMenu(at, how));
    for (size_t i = 0; i + 1 < path.size(); i++) ASSERT_TRUE(OpenTrackedSubmenu(path[i]));
    ASSERT_TRUE(ChooseTrackedRow(path.back()));
    ASSERT_TRUE(DriverWaitIdle());
}

void Choose(int index, MenuButton how, const std::vector<int>& path) { Choose(PixelOnScreen(index, 0, 0), how, path); }

// Clicks a point taken before a tool or dialog started: the worker answers no questions
// while it waits for the user.
void ClickAt(PlatPoint p, int button = BUTTON_LEFT) {
    DriverClick(p.x, p.y, button);
    ASSERT_TRUE(DriverWaitIdle());
}

bool ToolWaits(bool waits) { return DriverWaitFor([=] { return (point_tool_active.load() != 0) == waits; }); }

// Answers a prompt of the text window; when another prompt follows, the line input stays on.
void Answer(const char* line, bool last = true) {
    ASSERT_TRUE(DriverWaitFor([] { return input_active.load() != 0; }));
    DriverType(line);
    if (last) {
        ASSERT_TRUE(DriverWaitFor([] { return input_active.load() == 0; }));
    }
    ASSERT_TRUE(DriverWaitIdle());
}

std::vector<MenuRow> Rows(const std::vector<std::pair<const char*, int>>& items) {
    std::vector<MenuRow> rows;
    for (const auto& [text, id] : items) rows.push_back(MenuRow{text ? text : "", id, 0});
    return rows;
}

// The palette of the current image.
std::vector<uint32_t> CurrentPalette() {
    return Ask<std::vector<uint32_t>>([] {
        std::vector<uint32_t> now(256);
        PXK_GetPalette((PXK_Color*)now.data());
        return now;
    });
}

// Runs the program on a screen of this size from a fresh folder, where text window 0 (kept
// clear of the image windows) logs what it says; returns the log's path.
std::string StartLogged(const char* name, int width, int height, int text_x, int text_y) {
    const std::string folder = FreshFolder(name);
    EXPECT_EQ(chdir(folder.c_str()), 0);
    EXPECT_TRUE(StartProgram(width, height));
    EXPECT_TRUE(OnWorker([=] {
        PXK_OpenTextWindow(0, text_x, text_y, 400, 300);
        PXK_StartLog(0);
    }));
    return folder + "/PIXKIT" + std::to_string(instance_slot) + "0.LOG";
}

using ImageMenus = ProgramTest;

TEST(PromptNumber, ReadsBlanksSignAndDigitsClampedAndRefusesAnEmptyAnswer) {
    const struct { const char* line; bool read; int value; } cases[] = {
        {"150", true, 150},          {"  +42abc", true, 42},          {"\t-7", true, -7},
        {"x12", true, 0},            {"99999999999", true, INT_MAX},  {"-99999999999", true, INT_MIN},
        {"2147483647", true, INT_MAX}, {"-2147483648", true, INT_MIN}, {"", false, -1},
    };
    for (const auto& c : cases) {
        int value = -1;
        EXPECT_EQ(ParsePromptNumber(c.line, &value), c.read) << c.line;
        EXPECT_EQ(value, c.value) << c.line;
    }
}

// Once the program runs, every command a menu item or shortcut posts has its handler, those
// of the folders above the image windows included (the rows are counted in image_window_run).
TEST_F(ImageMenus, EveryCommandOfTheTableHasAHandler) {
    for (int id = 1004; id <= 1071; id++)
        if (const ImageCommand* c = FindImageCommand(id)) {
            EXPECT_NE(c->run, nullptr) << id << " " << c->name;
        }
}

TEST_F(ImageMenus, EditMenuChecksTheZoomShown) {
    Make(0, 400, 300);
    for (int zoom : {100, 50, 200, 35}) {
        ASSERT_EQ(Ask<int>([=] { return PXK_SetZoom(zoom, 0); }), 0);
        ASSERT_TRUE(DriverWaitIdle());
        ASSERT_TRUE(OpenMenu(0, EDIT));
        std::vector<MenuRow> rows = Rows({{"Cut\tCtrl+X", 1011}, {"Copy\tCtrl+C", 1012}, {"Paste\tCtrl+V", 1013},
                                          {nullptr, 0}, {"&Load image file", 1004}, {"&Save as", 1010},
                                          {nullptr, 0}, {"Zoom: 50%", 1007}, {"Zoom:100%\tCtrl+0", 1008},
                                          {"Zoom:200%", 1009}, {"&Zoom...", 1046}, {nullptr, 0},
                                          {"&Resize...", 1047}, {"&Destroy\tCtrl+Q", 1005}});
        if (zoom != 35) rows[zoom == 50 ? 7 : zoom == 100 ? 8 : 9].state = MENU_CHECKED;
        EXPECT_EQ(TrackedMenuRows(), rows) << zoom;
        ASSERT_TRUE(DismissTrackedMenu());
    }
}

TEST_F(ImageMenus, ProcessingMenuAndItsSubmenusDependOnTheDepth) {
    Make(0, 200, 150);
    Make(1, 200, 150, 8);
    ASSERT_TRUE(OpenMenu(0, CTRL_RIGHT));
    EXPECT_EQ(TrackedMenuRows(),
              Rows({{"Process...", 0}, {nullptr, 0}, {"Information...", 0}, {nullptr, 0}, {"Test Pattern...", 0},
                    {nullptr, 0}, {"Clipping\tCtrl+R", 1019}, {nullptr, 0}, {"Color...", 0}, {"Draw Line...", 0},
                    {"Draw Box...", 0}, {"Draw Circle...", 0}, {"TrueType...", 0}, {"Draw Text", 1042},
                    {"Paint", 1043}}));
    ASSERT_TRUE(DismissTrackedMenu());
    const struct { int index; MenuButton how; int position; std::vector<MenuRow> rows; } submenus[] = {
        {0, CTRL_RIGHT, 0, Rows({{"Invert", 1058}, {nullptr, 0}, {"R. Rotate", 1061}, {"L. Rotate", 1062},
                                 {nullptr, 0}, {"Horz. Flip", 1059}, {"Vert. Flip", 1060}, {nullptr, 0},
                                 {"Size 50.0%", 1063}, {"Size 70.7%", 1064}, {"Size 141.4%", 1065},
                                 {"Size 200.0%", 1066}})},
        {0, MIDDLE, 2, Rows({{"Pixel", 1015}, {"Line(RGB)", 1016}, {"Line(HSV)", 1017}, {"Line(YCrCb)", 1018},
                             {"Line(CrCb)", 1021}, {nullptr, 0}, {"Area(CrCb)", 1022}})},
        {1, MIDDLE, 2, Rows({{"Pixel", 1015}, {"Line(Lumi)", 1070}})},
        {1, CTRL_RIGHT, 4, Rows({{"RGB", 1053}, {"HSV", 1054}, {"YCrCb", 1055}, {"Yuv", 1067}, {"YIQ", 1068},
                                 {"Grey", 1071}})},
        {0, MIDDLE, 8, Rows({{"Change", 1031}, {"Pick", 1052}})},
        {0, MIDDLE, 9, Rows({{"Normal", 1032}, {"Horz.", 1034}, {"Vert.", 1035}})},
        {0, MIDDLE, 10, Rows({{"Normal", 1036}, {"Fill", 1037}, {"Fill XOR", 1038}})},
        {0, MIDDLE, 11, Rows({{"Normal", 1039}, {"Fill", 1040}, {"Fill XOR", 1041}})},
        {0, MIDDLE, 12, Rows({{"Draw", 1048}, {"Font Change", 1049}})},
    };
    for (const auto& s : submenus) {
        ASSERT_TRUE(OpenMenu(s.index, s.how));
        ASSERT_TRUE(OpenTrackedSubmenu(s.position));
        EXPECT_EQ(TrackedMenuRows(), s.rows) << s.index << " " << s.position;
        ASSERT_TRUE(DismissTrackedMenu());
    }
    // No menu while a text window reads a line.
    const PlatPoint p = PixelOnScreen(0, 0, 0);
    PostJob([] {
        char line[256];
        PXK_OpenTextWindow(0, -1, -1, -1, -1);
        PXK_InputText(line);
    });
    ASSERT_TRUE(DriverWaitFor([] { return input_active.load() != 0; }));
    DriverClick(p.x, p.y, BUTTON_RIGHT);
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(PlatGetTrackedMenuWindow(), 0u);
    Answer("\n");
}

// The edit menu's zooms, and Zoom... and Resize... with their answers in text window 0 (kept
// clear of the image window), which says why they refuse an answer or cannot make the size
// and leaves the image as it was; then a resize and Destroy.
TEST(ImageMenusEdit, ZoomPromptResizeAndDestroyAndSayWhyTheyRefuse) {
    const std::string log = StartLogged("menus_edit", 1920, 1080, 1400, 600);
    Make(0, 400, 300);
    const Picture before = PictureOf(0);
    const struct { int position; std::vector<const char*> answers; int zoom; const char* said; } cases[] = {
        {12, {"0"}, 100, "[0] New x-size(pixel)=0\n"
                         "[0] Resize: the width must be at least 1 pixel; the image is unchanged\n"},
        {12, {"7", "-3"}, 100, "[0] New x-size(pixel)=7\n[0] New y-size(pixel)=-3\n"
                               "[0] Resize: the height must be at least 1 pixel; the image is unchanged\n"},
        {12, {"5000", "100000"}, 100,
         "[0] New x-size(pixel)=5000\n[0] New y-size(pixel)=100000\n"
         "[0] Resize: the new size cannot be shown on this screen; the image is unchanged\n"},
        {9, {}, 200, ""}, {7, {}, 50, ""}, {8, {}, 100, ""},
        {10, {"150"}, 150, "[0] Zoom(%)=150\n"},
        {10, {"0"}, 150, "[0] Zoom(%)=0\n[0] Zoom: the zoom must be at least 1%; the zoom is unchanged\n"},
        {10, {"-20"}, 150, "[0] Zoom(%)=-20\n[0] Zoom: the zoom must be at least 1%; the zoom is unchanged\n"},
        {10, {""}, 150, "[0] Zoom(%)=\n"},
        {10, {" 80%"}, 80, "[0] Zoom(%)= 80%\n"},
    };
    std::string said;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.position << " " << (c.answers.empty() ? "menu" : c.answers[0]));
        Choose(0, EDIT, {c.position});
        for (size_t i = 0; i < c.answers.size(); i++)
            Answer((std::string(c.answers[i]) + "\n").c_str(), i + 1 == c.answers.size());
        said += c.said;
        EXPECT_TRUE(DriverWaitFor([&] { return ReadFileBytes(log) == said; })) << ReadFileBytes(log);
        EXPECT_EQ(PictureOf(0), before);
        EXPECT_EQ(ImageZoom(0), c.zoom);
    }
    // Resize: both sizes asked for.
    Choose(0, EDIT, {12});
    Answer("7\n", false);
    Answer("9\n");
    EXPECT_EQ(PictureOf(0), MakePicture(7, 9, [](int, int) { return 0u; }));
    Choose(0, EDIT, {13});
    EXPECT_EQ(ImageInUse(0), 0);
    EXPECT_EQ(StopProgram(), 0);
}

TEST_F(ImageMenus, ProcessItemsInvertFlipTurnAndScale) {
    const auto nearest = [](int w, int h) {
        return [=](int x, int y) { return Pattern32(x * 5 / w, y * 3 / h); };
    };
    const struct { int position, bits, width, height; std::function<uint32_t(int, int)> at; } cases[] = {
        {0, 32, 5, 3, [](int x, int y) { return Pattern32(x, y) ^ 0x00FFFFFFu; }},
        {0, 8, 5, 3, [](int x, int y) { return 255 - Pattern8(x, y); }},
        {2, 32, 3, 5, [](int x, int y) { return Pattern32(y, 2 - x); }},
        {3, 32, 3, 5, [](int x, int y) { return Pattern32(4 - y, x); }},
        {3, 8, 3, 5, [](int x, int y) { return Pattern8(4 - y, x); }},
        {5, 32, 5, 3, [](int x, int y) { return Pattern32(4 - x, y); }},
        {6, 8, 5, 3, [](int x, int y) { return Pattern8(x, 2 - y); }},
        {8, 32, 3, 2, nearest(3, 2)},
        {9, 32, 4, 2, nearest(4, 2)},
        {10, 32, 7, 4, nearest(7, 4)},
        {11, 32, 10, 6, nearest(10, 6)},
    };
    for (const auto& c : cases) {
        Make(0, 5, 3, c.bits);
        Choose(0, CTRL_RIGHT, {0, c.position});
        EXPECT_EQ(PictureOf(0), MakePicture(c.width, c.height, c.at)) << c.position << " " << c.bits;
    }
    // A turn one way and back, and each flip twice, restore the image.
    Make(0, 5, 3);
    const Picture start = PictureOf(0);
    for (int position : {2, 3, 5, 5, 6, 6}) Choose(0, MIDDLE, {0, position});
    EXPECT_EQ(PictureOf(0), start);
    EXPECT_EQ(CurrentImage(), 0);
}

// Invert, the flips, the turns and the size steps (nearest) on random pixels match plain
// per-pixel loops, at sizes that end inside a word, inside a turn's tile or block, on a
// whole block (new rows of whole 16 bytes), and past the flips' row block (1100 x 4 bytes);
// an 8-bit image keeps its random colour table.
TEST_F(ImageMenus, WholeImageOperationsMatchPlainLoopsOnRandomPixels) {
    std::mt19937 rng(19);
    const struct { int w, h; } sizes[] = {{1, 1}, {7, 3}, {131, 67}, {130, 68}, {90, 259}, {1100, 401}};
    const int per_mille[] = {707, 1414};
    for (int bits : {32, 8})
        for (const auto& s : sizes)
            for (int op = 0; op < 7; op++) {
                std::vector<uint32_t> random(s.w * s.h), colors(256);
                for (uint32_t& v : random) v = bits == 32 ? (uint32_t)rng() : (uint32_t)rng() & 255;
                for (uint32_t& c : colors) c = (uint32_t)rng() & 0xFFFFFF;
                const auto old = [&](int x, int y) { return random[y * s.w + x]; };
                Make(0, s.w, s.h, bits, 25, old);
                ASSERT_TRUE(OnWorker([&] {
                    PXK_SelectImage(0);
                    PXK_SetPalette((const PXK_Color*)colors.data(), 256);
                }));
                SCOPED_TRACE(testing::Message() << bits << "-bit " << s.w << " x " << s.h << " operation " << op);
                ASSERT_EQ(Ask<int>([&] {
                    return op == 0 ? InvertImage(0) : op < 3 ? FlipImage(0, op == 1)
                         : op < 5 ? RotateImage(0, op == 3) : ScaleImage(0, per_mille[op - 5]);
                }), TRANSFORM_DONE);
                const auto scaled = [&](int n) { return (int)(((int64_t)n * per_mille[op - 5] + 500) / 1000); };
                const int w = op > 4 ? scaled(s.w) : op > 2 ? s.h : s.w;
                const int h = op > 4 ? scaled(s.h) : op > 2 ? s.w : s.h;
                const Picture want = MakePicture(w, h, [&](int x, int y) {
                    switch (op) {
                    case 0: return bits == 32 ? old(x, y) ^ 0x00FFFFFFu : 255 - old(x, y);
                    case 1: return old(s.w - 1 - x, y);
                    case 2: return old(x, s.h - 1 - y);
                    case 3: return old(y, s.h - 1 - x);
                    case 4: return old(s.w - 1 - y, x);
                    default: return old(x * s.w / w, y * s.h / h);
                    }
                });
                EXPECT_EQ(PictureOf(0), want);
                if (bits == 8) {
                    EXPECT_EQ(CurrentPalette(), colors);
                }
            }
}

// A large size step may write into memory a freed image left. Here that memory is a freed
// surface full of 0xA5 bytes (the same mapped length as the new image); the step must take
// it (so this case tests the reuse) and leave exactly the pixels a stretch into zeroed memory
// gives, with zero row padding in 8-bit images.
TEST_F(ImageMenus, SizeStepsIntoReusedMemoryShowNoOldBytes) {
    std::mt19937 rng(7);
    const struct { int bits, per_mille, mode; } cases[] = {
        {32, 707, STRETCH_COLORONCOLOR}, {32, 1414, STRETCH_HALFTONE}, {8, 707, STRETCH_HALFTONE}, {8, 1414, STRETCH_COLORONCOLOR},
    };
    const int w = 2001, h = 1500;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << "-bit " << c.per_mille);
        Surface* old = nullptr;
        ASSERT_EQ(PlatCreateSurface(&old, w, h, c.bits), 0);
        for (uint32_t& p : old->palette) p = (uint32_t)rng() & 0xFFFFFF;
        const auto pixel = [&](Surface* s, int x, int y) -> uint32_t {
            return c.bits == 32 ? ((uint32_t*)SurfaceRow(s, y))[x] : SurfaceRow(s, y)[x];
        };
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                if (c.bits == 32) ((uint32_t*)SurfaceRow(old, y))[x] = (uint32_t)rng();
                else SurfaceRow(old, y)[x] = (uint8_t)rng();
        Make(0, w, h, c.bits, 25, [&](int x, int y) { return pixel(old, x, y); });
        ASSERT_TRUE(OnWorker([&] {
            PXK_SelectImage(0);
            PXK_SetPalette((const PXK_Color*)old->palette, 256);
            PXK_SetStretchMode(c.mode, 0);
        }));
        const int nw = (w * c.per_mille + 500) / 1000, nh = (h * c.per_mille + 500) / 1000;
        Surface* want = nullptr;
        ASSERT_EQ(PlatCreateSurface(&want, nw, nh, c.bits), 0);
        memcpy(want->palette, old->palette, sizeof want->palette);
        DrawContext* to = PlatCreateMemoryContext(want);
        DrawContext* from = PlatCreateMemoryContext(old);
        PlatSetStretchMode(to, c.mode);
        PlatStretchCopy(to, 0, 0, nw, nh, from, 0, 0, w, h);
        PlatDeleteContext(from);
        PlatDeleteContext(to);
        // The freed memory: a surface whose bytes fill whole 2 MiB units, as the new image's do.
        const size_t unit = (size_t)2 << 20, length = ((size_t)want->stride * nh + unit - 1) / unit * unit;
        Surface* stale = nullptr;
        ASSERT_EQ(PlatCreateSurface(&stale, (int)(length / 4), 1, 32), 0);
        memset(stale->pixels, 0xA5, length);
        const uint8_t* reused = stale->pixels;
        PlatDestroySurface(stale);
        ASSERT_EQ(Ask<int>([&] { return ScaleImage(0, c.per_mille); }), TRANSFORM_DONE);
        EXPECT_EQ(Ask<const uint8_t*>([] { return (const uint8_t*)image_pixels[0]; }), reused);
        EXPECT_TRUE(PictureOf(0) == MakePicture(nw, nh, [&](int x, int y) { return pixel(want, x, y); }));
        EXPECT_EQ(Ask<int>([&] {
            int nonzero = 0;
            for (int y = 0; y < nh; y++)
                for (int x = nw * c.bits / 8; x < want->stride; x++) nonzero += image_pixels[0][(size_t)y * want->stride + x] != 0;
            return nonzero;
        }), 0) << "row padding";
        PlatDestroySurface(want);
        PlatDestroySurface(old);
    }
}

// On a 1024 x 768 screen a 1000 x 100 image is shown at 100% but no zoom shows it turned, and
// 750 x 6 shrunk to 530 x 4 would need a window wider than the screen.
TEST(ImageMenusSmallScreen, TurnsAndSizesThatCannotBeShownLeaveTheImageWhole) {
    const std::string log = StartLogged("menus_turns", 1024, 768, 600, 400);
    const struct { int width, height, command, new_width, new_height; } cases[] = {
        {1000, 100, 1061, 100, 1000}, {1000, 100, 1062, 100, 1000}, {750, 6, 1064, 530, 4},
    };
    for (const auto& c : cases) {
        ViewFit fit;
        ASSERT_FALSE(Ask<bool>([&] { return FitImageView(c.new_width, c.new_height, 100, 1, &fit); }));
        Make(0, c.width, c.height);
        const Picture before = PictureOf(0);
        const WindowId window = ImageWindow(0);
        ASSERT_TRUE(OnWorker([&] { RunImageCommand(window, 0, c.command); }));
        EXPECT_EQ(PictureOf(0), before) << c.command;
        EXPECT_EQ(ImageWindow(0), window);
    }
    const std::string said = "[0] R. Rotate: the new size cannot be shown on this screen; the image is unchanged\n"
                             "[0] L. Rotate: the new size cannot be shown on this screen; the image is unchanged\n"
                             "[0] Size 70.7%: the new size cannot be shown on this screen; the image is unchanged\n";
    EXPECT_TRUE(DriverWaitFor([&] { return ReadFileBytes(log) == said; })) << ReadFileBytes(log);
    // Size 50.0% of 101 x 101 rounds halves up.
    Make(0, 101, 101);
    const WindowId window = ImageWindow(0);
    ASSERT_TRUE(OnWorker([&] { RunImageCommand(window, 0, 1063); }));
    EXPECT_EQ(PictureOf(0).width, 51);
    EXPECT_EQ(PictureOf(0).height, 51);
    EXPECT_EQ(StopProgram(), 0);
}

TEST_F(ImageMenus, TestChartsClippingAndTheToolsAndDialogsOfTheProcessingMenu) {
    Make(0, 64, 48);
    Make(1, 64, 48);
    const struct { int position; void (*draw)(void); } charts[] = {
        {0, PXK_DrawRGBChart}, {1, PXK_DrawHSVChart}, {2, PXK_DrawYCrCbChart},
        {3, PXK_DrawYuvChart}, {4, PXK_DrawYIQChart}, {5, PXK_DrawGreyChart},
    };
    for (const auto& c : charts) {
        ASSERT_TRUE(OnWorker([&] { PXK_SelectImage(1); c.draw(); }));
        Choose(0, CTRL_RIGHT, {4, c.position});
        EXPECT_EQ(PictureOf(0), PictureOf(1)) << c.position;
        EXPECT_EQ(CurrentImage(), 0);
    }
    // Clipping of one pixel: a 1 x 1 image in the lowest free slot at the top-left corner.
    Make(0, 64, 48);
    const PlatPoint clip = PixelOnScreen(0, 9, 7), corner = PixelOnScreen(0, 1, 1);
    Choose(0, CTRL_RIGHT, {6});
    ASSERT_TRUE(ToolWaits(true));
    ClickAt(clip);
    ClickAt(clip);
    ASSERT_TRUE(DriverWaitFor([] { return ImageInUse(2) != 0; }));
    EXPECT_EQ(PictureOf(2), MakePicture(1, 1, [](int, int) { return Pattern32(9, 7); }));
    EXPECT_EQ(DriverWindowText(ImageWindow(2)).rfind("(9,7)-(9,7)(", 0), 0u);
    EXPECT_EQ(DriverWindowRect(ImageWindow(2)).left, 0);
    EXPECT_EQ(DriverWindowRect(ImageWindow(2)).top, 0);
    // Information and TrueType Draw start their tools on the image; the right button cancels.
    for (const std::vector<int>& path : {std::vector<int>{2, 0}, {2, 1}, {2, 6}, {12, 0}}) {
        Choose(0, MIDDLE, path);
        ASSERT_TRUE(ToolWaits(true)) << path[0] << " " << path[1];
        ClickAt(corner, BUTTON_RIGHT);
        ASSERT_TRUE(ToolWaits(false));
    }
    EXPECT_EQ(ImageInUse(3), 0);
    Choose(0, MIDDLE, {12, 1});
    ASSERT_NE(DriverWaitFontDialog(), 0u);
    DriverKey(KEY_ESCAPE);
    ASSERT_TRUE(DriverWaitFor([] { return DriverWaitFontDialog(0) == 0; }));
}

TEST_F(ImageMenus, LoadGoesToTheWindowsImageWhenTheCurrentImageChangedDuringTheDialog) {
    const std::string folder = FreshFolder("menus_load");
    const std::string path = folder + "/pattern.bmp";
    Make(3, 6, 4);
    ASSERT_EQ(Ask<int>([&] { return PXK_SelectImage(3) || PXK_SaveImageFile(4, 6, PXK_FILE_BMP, path.c_str()); }), 0);
    for (int k : {0, 1, 2}) Make(k, 6, 4);
    ASSERT_TRUE(OnWorker([] {
        PXK_ClearImage(0);
        PXK_SelectImage(2);
        PXK_DrawGreyChart();
    }));
    const PlatPoint other = PixelOnScreen(1, 0, 0);
    Choose(0, EDIT, {4});
    ASSERT_TRUE(DriverWaitFor([] { return DriverFileDialog() != 0; }));
    // Meanwhile a command in the other window makes its image current.
    Choose(other, CTRL_RIGHT, {4, 5});
    ASSERT_TRUE(DriverFileDialog() != 0);
    ASSERT_TRUE(DriverTypeFileName((path + "\n").c_str()));
    ASSERT_TRUE(DriverWaitFor([] { return DriverFileDialog() == 0; }));
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(PictureOf(0).pixels[7], Pattern32(1, 1) & 0xFFFFFF);
    EXPECT_EQ(PictureOf(1), PictureOf(2));   // the chart, and no file over it
    EXPECT_EQ(CurrentImage(), 0);
}

// A folder of files that cannot be loaded or written, each in its own way: a PNG cut in
// half, a text file, an empty file, a FIFO, a folder, a write-protected picture.
std::string FailingFiles() {
    const std::string folder = FreshFolder("menus_failures");
    Make(3, 64, 48);
    EXPECT_EQ(Ask<int>([&] {
        return PXK_SelectImage(3) || PXK_SaveImageFile(48, 64, PXK_FILE_PNG, (folder + "/cut.png").c_str()) ||
               PXK_SaveImageFile(48, 64, PXK_FILE_BMP, (folder + "/locked.bmp").c_str());
    }), 0);
    const std::string png = ReadFileBytes(folder + "/cut.png");
    EXPECT_TRUE(WriteFileBytes(folder + "/cut.png", png.substr(0, png.size() / 2)));
    EXPECT_TRUE(WriteFileBytes(folder + "/notes.txt", "not a picture\n"));
    EXPECT_TRUE(WriteFileBytes(folder + "/empty.png", ""));
    EXPECT_EQ(mkfifo((folder + "/pipe.png").c_str(), 0600), 0);
    EXPECT_EQ(mkdir((folder + "/sub").c_str(), 0700), 0);
    EXPECT_EQ(chmod((folder + "/locked.bmp").c_str(), 0444), 0);
    return folder;
}

TEST_F(ImageMenus, FailedLoadsAndSavesAreToldTheSystemsReasonOrWhatIsWrongWithThePicture) {
    const std::string f = FailingFiles();
    const struct { bool load; std::string path; int error; const char* why; } cases[] = {
        {true, f + "/gone.png", 0, "No such file or directory"},
        {true, f + "/sub", 0, "Is a directory"},
        {true, f + "/pipe.png", 0, "Not a regular file"},
        {true, f + "/empty.png", 0, "The file is empty"},
        {true, f + "/notes.txt", 0, "Not a picture of a format PIXKIT reads"},
        {true, f + "/cut.png", 0, "The picture is damaged or cut short"},
        {false, f + "/missing/x.png", 0, "No such file or directory"},
        {false, f + "/notes.txt/x.png", 0, "Not a directory"},
        {false, f + "/sub", 0, "Is a directory"},
        {false, f + "/locked.bmp", 0, "Permission denied"},
        {false, f + "/x.png", ENOSPC, "No space left on device"},
        {false, f + "/x.png", EFBIG, "File too large"},
        {false, f + "/x.gif", ENOENT, "The picture could not be written in this format"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.load ? LoadFailureReason(c.path.c_str()) : SaveFailureReason(c.path.c_str(), c.error), c.why)
            << c.path;
}

// Load and Save from the edit menu and a drop on the window, each failing, show a box with
// the file and the reason (printed on stderr in a run without a user); the image is as it was.
TEST_F(ImageMenus, LoadSaveAndDropThatFailShowABoxNamingTheFileAndTheReason) {
    StderrCapture stderr_text;
    setenv("PIXKIT_HEADLESS_AUTOANSWER", "1", 1);
    const std::string f = FailingFiles();
    Make(0, 64, 48);
    const Picture before = PictureOf(0);
    enum How { LOAD, SAVE, DROP };
    const struct { How how; std::string name; const char* caption; std::string text; } cases[] = {
        {LOAD, f + "/cut.png", "Load image file", "Can't load \"" + f + "/cut.png\":\nThe picture is damaged or cut short"},
        {DROP, f + "/gone.png", "Load image file", "Can't load \"" + f + "/gone.png\":\nNo such file or directory"},
        {SAVE, f + "/locked", "Save as", "Can't save \"" + f + "/locked.bmp\":\nPermission denied"},
    };
    for (const auto& c : cases) {
        if (c.how == DROP) {
            const PlatPoint p = PixelOnScreen(0, 5, 5);
            DriverDrop(p.x, p.y, {c.name});
        } else {
            Choose(0, EDIT, {c.how == LOAD ? 4 : 5});
            ASSERT_TRUE(DriverWaitFor([] { return DriverFileDialog() != 0; }));
            ASSERT_TRUE(DriverTypeFileName((c.name + "\n").c_str()));
        }
        EXPECT_TRUE(DriverWaitFor([&] { return stderr_text.HasBox(c.caption, c.text); })) << stderr_text.Text();
        ASSERT_TRUE(DriverWaitFor([] { return DriverFileDialog() == 0; }));
        EXPECT_EQ(PictureOf(0), before) << c.name;
    }
    unsetenv("PIXKIT_HEADLESS_AUTOANSWER");
}

}  // namespace
