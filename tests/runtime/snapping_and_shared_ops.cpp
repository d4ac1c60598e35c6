// The snapping step on rectangle lists, the rectangle list's walls, the centred status field,
// the start folders, menus by position and SplitRGB.
#include "support/harness.h"

#include "platform/backend.h"
#include "platform/window/menu.h"
#include "runtime/instance_slot.h"
#include "runtime/shared_ops.h"
#include "runtime/startup_state.h"
#include "runtime/window_rects.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace {

const PlatRect kNoOwn{-9999, -9999, -9998, -9998};

// A window of 200 x 100 proposed with its top-left at (x, y).
PlatRect At(int x, int y) { return PlatRect{x, y, x + 200, y + 100}; }

TEST(SnapRect, DocksBesideAnOverlappingWindowAndThenAlignsTheTops) {
    PlatRect other{100, 100, 400, 300};
    // Left edge 3 pixels right of the other's right edge, top 5 below its top.
    PlatRect out = SnapRect(&other, 1, kNoOwn, At(403, 105));
    EXPECT_EQ(out.left, 400);
    EXPECT_EQ(out.right, 600);
    EXPECT_EQ(out.top, 100);
    EXPECT_EQ(out.bottom, 200);
    // Tops too far apart: docked beside it, top unchanged.
    out = SnapRect(&other, 1, kNoOwn, At(403, 150));
    EXPECT_EQ(out.left, 400);
    EXPECT_EQ(out.top, 150);
    // Right edge 7 pixels left of the other's left edge: docks on that side.
    out = SnapRect(&other, 1, kNoOwn, At(-107, 150));
    EXPECT_EQ(out.right, 100);
}

TEST(SnapRect, SevenPixelsSnapEightDoNot) {
    PlatRect other{100, 100, 400, 300};
    EXPECT_EQ(SnapRect(&other, 1, kNoOwn, At(407, 150)).left, 400);
    EXPECT_EQ(SnapRect(&other, 1, kNoOwn, At(408, 150)).left, 408);
    EXPECT_EQ(SnapRect(&other, 1, kNoOwn, At(393, 150)).left, 400);
}

TEST(SnapRect, NoSideDockingWithoutVerticalOverlapButTouchingCounts) {
    PlatRect other{100, 100, 400, 300};
    // Entirely below the other window (top 301 > bottom 300): no docking to its side.
    PlatRect out = SnapRect(&other, 1, kNoOwn, At(403, 301));
    EXPECT_EQ(out.left, 403);
    // Touching (top on its bottom edge) counts as overlap.
    out = SnapRect(&other, 1, kNoOwn, At(403, 300));
    EXPECT_EQ(out.left, 400);
}

TEST(SnapRect, DocksBelowAndAlignsTheLeftEdges) {
    PlatRect other{100, 100, 400, 300};
    PlatRect out = SnapRect(&other, 1, kNoOwn, At(104, 305));
    EXPECT_EQ(out.top, 300);
    EXPECT_EQ(out.left, 100);
    // Right edges aligned instead when only they are close.
    out = SnapRect(&other, 1, kNoOwn, At(203, 295));
    EXPECT_EQ(out.bottom, 400);
    EXPECT_EQ(out.top, 300);
    EXPECT_EQ(out.right, 400);
}

TEST(SnapRect, TheWindowsOwnEntryIsSkippedAndTheFirstQualifyingEntryWins) {
    PlatRect own = At(300, 300);
    PlatRect list[3] = {own, {0, 0, 298, 1000}, {0, 0, 302, 1000}};
    PlatRect out = SnapRect(list, 3, own, At(301, 300));
    EXPECT_EQ(out.left, 298);
    // Without skipping, the own entry (left 300) would have been the first to qualify.
    PlatRect only_own = SnapRect(list, 1, own, At(303, 300));
    EXPECT_EQ(only_own.left, 303);
}

TEST(WindowRectList, HoldsTheFourWallsAroundTheUsableScreen) {
    PlatStartHeadless(1280, 720, 32);
    CollectWindowRects();
    ASSERT_GE(window_rect_list.count.load(), 4);
    auto entry = [](int i) {
        return PlatRect{window_rect_list.left[i].load(), window_rect_list.top[i].load(),
                        window_rect_list.right[i].load(), window_rect_list.bottom[i].load()};
    };
    PlatRect e0 = entry(0), e1 = entry(1), e2 = entry(2), e3 = entry(3);
    EXPECT_EQ(memcmp(&e0, &(const PlatRect&)PlatRect{-1000, 0, 0, 720}, sizeof e0), 0);
    EXPECT_EQ(memcmp(&e1, &(const PlatRect&)PlatRect{0, -1000, 1280, 0}, sizeof e1), 0);
    EXPECT_EQ(memcmp(&e2, &(const PlatRect&)PlatRect{1280, 0, 2280, 720}, sizeof e2), 0);
    EXPECT_EQ(memcmp(&e3, &(const PlatRect&)PlatRect{0, 720, 1280, 1720}, sizeof e3), 0);
}

std::string Field(const char* text) {
    char field[STATUS_FIELD];
    memset(field, 'Z', sizeof field);
    FormatStatusField(text, field);
    EXPECT_EQ(field[STATUS_FIELD - 1], 0);
    return field;
}

TEST(StatusField, CentresAroundColumnEighteen) {
    EXPECT_EQ(Field(""), std::string(18, ' '));
    EXPECT_EQ(Field("32-bit color"), std::string(12, ' ') + "32-bit color");
    EXPECT_EQ(Field("abcd"), std::string(16, ' ') + "abcd");
    std::string s36(36, 'q'), s40(40, 'q');
    EXPECT_EQ(Field(s36.c_str()), s36);
    EXPECT_EQ(Field(s40.c_str()), s40);
    EXPECT_EQ(Field(nullptr), std::string(18, ' '));
}

TEST(StartFolders, EndInExactlyOneSlash) {
    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(chdir("/"), 0);
    ReadStartFolders();
    EXPECT_STREQ(start_dir, "/");
    EXPECT_STREQ(open_dir, "/");
    char dir[] = "/tmp/pixkit-start-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    ASSERT_EQ(chdir(dir), 0);
    ReadStartFolders();
    EXPECT_EQ(std::string(start_dir), std::string(dir) + "/");
    EXPECT_STREQ(save_dir, dir);
    EXPECT_EQ(std::u16string(start_dir_w).size(), strlen(dir) + 1);
    ASSERT_EQ(chdir(saved), 0);
    rmdir(dir);
}

// A folder deeper than any fixed buffer: 40 levels of 120 bytes (over 4,800 bytes in all).
TEST(StartFolders, KeepTheWholePathHoweverDeepAndFailWhenTheFolderIsGone) {
    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    char base[] = "/tmp/pixkit-deep-XXXXXX";
    ASSERT_NE(mkdtemp(base), nullptr);
    ASSERT_EQ(chdir(base), 0);
    const std::string level(120, 'd');
    std::string expected = base;
    for (int i = 0; i < 40; i++) {
        ASSERT_EQ(mkdir(level.c_str(), 0700), 0);
        ASSERT_EQ(chdir(level.c_str()), 0);
        expected += "/" + level;
    }
    ASSERT_EQ(ReadStartFolders(), 0);
    EXPECT_EQ(std::string(start_dir), expected + "/");
    EXPECT_EQ(std::string(open_dir), expected);
    EXPECT_EQ(std::u16string(start_dir_w).size(), expected.size() + 1);
    // The folder goes away under the program: there is no current folder to be had.
    for (int i = 0; i < 40; i++) {
        ASSERT_EQ(chdir(".."), 0);
        ASSERT_EQ(rmdir(level.c_str()), 0);
    }
    ASSERT_EQ(chdir(base), 0);
    ASSERT_EQ(rmdir(base), 0);
    EXPECT_EQ(ReadStartFolders(), ENOENT);
    ASSERT_EQ(chdir(saved), 0);
}

TEST(InstanceSlots, LockFolderMustBeTheUsersOwnAndClosedToOthers) {
    char dir[] = "/tmp/pixkit-lockdir-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string link = std::string(dir) + "-link";
    ASSERT_EQ(symlink(dir, link.c_str()), 0);
    char why[600];
    const struct { const char* folder; mode_t mode; const char* said; } cases[] = {
        {dir, 0700, ""},
        {dir, 0755, ""},
        {dir, 0770, "is writable by others"},
        {dir, 0777, "is writable by others"},
        {link.c_str(), 0700, "is not a folder"},
        {"/nonexistent/pixkit", 0700, "cannot be used (No such file or directory)"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(chmod(dir, c.mode), 0);
        why[0] = 0;
        EXPECT_EQ(CheckLockFolder(c.folder, why, sizeof why), c.said[0] ? 1 : 0) << c.folder << " " << c.mode;
        EXPECT_NE(strstr(why, c.said), nullptr) << why;
    }
    // Root's own folder is another user's (the tests do not run as root).
    if (getuid() != 0) {
        EXPECT_EQ(CheckLockFolder("/", why, sizeof why), 1);
        EXPECT_NE(strstr(why, "the lock folder / belongs to another user"), nullptr) << why;
    }
    unlink(link.c_str());
    rmdir(dir);
}

TEST(InstanceSlots, EachDesktopHasItsOwnLockNames) {
    const char* saved = getenv("DISPLAY");
    std::string keep = saved ? saved : "";
    const struct { const char* display; const char* name; } cases[] = {
        {":0", "_0"}, {":0.0", "_0"}, {":1.1", "_1"}, {"localhost:10.0", "localhost_10"},
        {"host.example:2", "host_example_2"}, {"/tmp/.X11-unix/X3:3", "_tmp__X11-unix_X3_3"}, {"", "headless"},
    };
    // Without a started backend the desktop is named from DISPLAY.
    for (const auto& c : cases) {
        setenv("DISPLAY", c.display, 1);
        char name[128];
        InstanceDesktopName(name, sizeof name);
        EXPECT_STREQ(name, c.name) << c.display;
    }
    if (saved) setenv("DISPLAY", keep.c_str(), 1);
    else unsetenv("DISPLAY");
}

TEST(SharedOps, MenusAreBuiltByPositionWithStatesAndUtf8Texts) {
    Menu* m = PlatCreatePopupMenu();
    Menu* sub = PlatCreatePopupMenu();
    EXPECT_EQ(InsertMenuText(m, 0, 3, 1027, "Image Window"), 0);
    EXPECT_EQ(InsertMenuText(m, 0, 8, 1001, "Stärt"), 0);
    EXPECT_EQ(InsertMenuSeparator(m, 1), 0);
    EXPECT_EQ(InsertSubMenu(m, 3, "More", sub), 0);
    ASSERT_EQ(PlatGetMenuItemCount(m), 4);
    int id, state;
    char16_t text[64];
    PlatGetMenuItem(m, 0, &id, &state, text, 64);
    EXPECT_EQ(id, 1001);
    EXPECT_EQ(state, 8);
    EXPECT_EQ(std::u16string(text), u"Stärt");
    PlatGetMenuItem(m, 2, &id, &state, text, 64);
    EXPECT_EQ(id, 1027);
    EXPECT_EQ(state, 3);
    PlatDestroyMenu(m);
}

TEST(SharedOps, SplitRGBTakesRedFromTheHighByte) {
    int r = -1, g = -1, b = -1;
    SplitRGB(0x00123456, &r, &g, &b);
    EXPECT_EQ(r, 0x12);
    EXPECT_EQ(g, 0x34);
    EXPECT_EQ(b, 0x56);
    SplitRGB((PXK_Color)0xFFABCDEF, &r, &g, &b);
    EXPECT_EQ(r, 0xAB);
    EXPECT_EQ(g, 0xCD);
    EXPECT_EQ(b, 0xEF);
}

}  // namespace
