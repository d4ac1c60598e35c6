// The image window's two popup menus, built afresh each time one opens and destroyed after
// tracking: the edit menu of the right button and the processing menu of Ctrl + right button
// or the middle button. The tracked item's id comes back as a command message to the window
// and runs through the command table like a shortcut.
#include "imagewin/image_commands.h"
#include "imagewin/image_table.h"
#include "platform/window/menu.h"
#include "platform/window/window.h"
#include "runtime/run_control.h"
#include "runtime/shared_ops.h"
#include "pxk.h"

// One row of a fixed menu: text, or a separator when text is null.
struct MenuEntry {
    const char* text;
    int id;
};

static const MenuEntry PROCESS_MENU[] = {
    {"Invert", 1058},      {nullptr, 0},           {"R. Rotate", 1061},    {"L. Rotate", 1062},
    {nullptr, 0},          {"Horz. Flip", 1059},   {"Vert. Flip", 1060},   {nullptr, 0},
    {"Size 50.0%", 1063},  {"Size 70.7%", 1064},   {"Size 141.4%", 1065},  {"Size 200.0%", 1066},
};
static const MenuEntry INFO_MENU_32[] = {
    {"Pixel", 1015},      {"Line(RGB)", 1016}, {"Line(HSV)", 1017}, {"Line(YCrCb)", 1018},
    {"Line(CrCb)", 1021}, {nullptr, 0},        {"Area(CrCb)", 1022},
};
static const MenuEntry INFO_MENU_8[] = {{"Pixel", 1015}, {"Line(Lumi)", 1070}};
static const MenuEntry TEST_PATTERN_MENU[] = {
    {"RGB", 1053}, {"HSV", 1054}, {"YCrCb", 1055}, {"Yuv", 1067}, {"YIQ", 1068}, {"Grey", 1071},
};
static const MenuEntry COLOR_MENU[] = {{"Change", 1031}, {"Pick", 1052}};
static const MenuEntry LINE_MENU[] = {{"Normal", 1032}, {"Horz.", 1034}, {"Vert.", 1035}};
static const MenuEntry BOX_MENU[] = {{"Normal", 1036}, {"Fill", 1037}, {"Fill XOR", 1038}};
static const MenuEntry CIRCLE_MENU[] = {{"Normal", 1039}, {"Fill", 1040}, {"Fill XOR", 1041}};
static const MenuEntry TRUETYPE_MENU[] = {{"Draw", 1048}, {"Font Change", 1049}};

template <int N>
static Menu* SubMenuOf(const MenuEntry (&entries)[N]) {
    Menu* menu = PlatCreatePopupMenu();
    for (int i = 0; menu && i < N; i++) {
        if (entries[i].text)
            InsertMenuText(menu, i, MENU_ENABLED, entries[i].id, entries[i].text);
        else
            InsertMenuSeparator(menu, i);
    }
    return menu;
}

static int CheckedIf(bool on) { return on ? MENU_CHECKED : MENU_ENABLED; }

static void FillEditMenu(Menu* menu, int zoom) {
    InsertMenuText(menu, 0, MENU_ENABLED, 1011, "Cut\tCtrl+X");
    InsertMenuText(menu, 1, MENU_ENABLED, 1012, "Copy\tCtrl+C");
    InsertMenuText(menu, 2, MENU_ENABLED, 1013, "Paste\tCtrl+V");
    InsertMenuSeparator(menu, 3);
    InsertMenuText(menu, 4, MENU_ENABLED, 1004, "&Load image file");
    InsertMenuText(menu, 5, MENU_ENABLED, 1010, "&Save as");
    InsertMenuSeparator(menu, 6);
    InsertMenuText(menu, 7, CheckedIf(zoom == 50), 1007, "Zoom: 50%");
    InsertMenuText(menu, 8, CheckedIf(zoom == 100), 1008, "Zoom:100%\tCtrl+0");
    InsertMenuText(menu, 9, CheckedIf(zoom == 200), 1009, "Zoom:200%");
    InsertMenuText(menu, 10, MENU_ENABLED, 1046, "&Zoom...");
    InsertMenuSeparator(menu, 11);
    InsertMenuText(menu, 12, MENU_ENABLED, 1047, "&Resize...");
    InsertMenuText(menu, 13, MENU_ENABLED, 1005, "&Destroy\tCtrl+Q");
}

// The Information submenu offers the colour profiles for 32-bit images and the luminance
// profile for 8-bit ones.
static void FillProcessingMenu(Menu* menu, int bits) {
    InsertSubMenu(menu, 0, "Process...", SubMenuOf(PROCESS_MENU));
    InsertMenuSeparator(menu, 1);
    InsertSubMenu(menu, 2, "Information...", bits == 8 ? SubMenuOf(INFO_MENU_8) : SubMenuOf(INFO_MENU_32));
    InsertMenuSeparator(menu, 3);
    InsertSubMenu(menu, 4, "Test Pattern...", SubMenuOf(TEST_PATTERN_MENU));
    InsertMenuSeparator(menu, 5);
    InsertMenuText(menu, 6, MENU_ENABLED, CMD_IMAGE_CLIPPING, "Clipping\tCtrl+R");
    InsertMenuSeparator(menu, 7);
    InsertSubMenu(menu, 8, "Color...", SubMenuOf(COLOR_MENU));
    InsertSubMenu(menu, 9, "Draw Line...", SubMenuOf(LINE_MENU));
    InsertSubMenu(menu, 10, "Draw Box...", SubMenuOf(BOX_MENU));
    InsertSubMenu(menu, 11, "Draw Circle...", SubMenuOf(CIRCLE_MENU));
    InsertSubMenu(menu, 12, "TrueType...", SubMenuOf(TRUETYPE_MENU));
    InsertMenuText(menu, 13, MENU_ENABLED, 1042, "Draw Text");
    InsertMenuText(menu, 14, MENU_ENABLED, 1043, "Paint");
}

void OpenImagePopupMenu(WindowId window, int index, bool processing) {
    // No menu while a text window reads a line: its command would run inside that wait.
    if (input_active.load(std::memory_order_acquire) != 0 || !ImageStillShownIn(window, index)) return;
    Menu* menu = PlatCreatePopupMenu();
    if (!menu) return;
    const ImageRecord& r = image_table[index];
    if (processing)
        FillProcessingMenu(menu, r.bits);
    else
        FillEditMenu(menu, r.zoom);
    PlatPoint at;
    PlatGetCursorPos(&at);
    PlatTrackPopupMenu(menu, at.x, at.y, window);
    PlatDestroyMenu(menu);
}
