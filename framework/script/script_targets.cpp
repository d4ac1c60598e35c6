// Finding what a script names: windows, controls, keys and menu items.
#include "script_targets.h"

#include "boxes/button_box.h"
#include "boxes/input_box.h"
#include "imagewin/image_table.h"
#include "imaging/pixel_panel_window.h"
#include "platform/driver/driver.h"
#include "platform/text.h"
#include "platform/window/input.h"
#include "platform/window/menu.h"
#include "platform/window/menu_data.h"
#include "platform/window/window.h"
#include "runtime/startup_state.h"
#include "textwin/text_window.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

static bool Slot(const std::string& target, const char* prefix, int limit, int* slot) {
    size_t n = strlen(prefix);
    if (target.compare(0, n, prefix) != 0 || target.size() == n) return false;
    char* end = nullptr;
    long v = strtol(target.c_str() + n, &end, 10);
    if (*end != 0 || v < 0 || v >= limit) return false;
    *slot = (int)v;
    return true;
}

static WindowId NamedWindow(const std::string& target) {
    int slot = 0;
    if (target == "main") return main_window.load();
    if (target == "inspector") return InspectorWindow();
    if (Slot(target, "text:", TEXT_WINDOW_COUNT, &slot))
        return text_windows[slot].is_open.load() ? text_windows[slot].hwnd.load() : 0;
    if (Slot(target, "image:", IMAGE_SLOTS, &slot))
        return image_table[slot].in_use.load() ? image_table[slot].window : 0;
    if (target.compare(0, 6, "class:") == 0) return DriverFindWindowByClass(target.c_str() + 6);
    return DriverFindWindow(target.c_str());
}

WindowId ScriptWindow(const std::string& target) {
    WindowId w = NamedWindow(target);
    return w && PlatIsWindow(w) && PlatIsVisible(w) ? w : 0;
}

WindowId ScriptInputField(const std::string& label) {
    int count = item_count.load();
    for (int i = 0; i < count && i < INPUT_BOX_MAX_ITEMS; i++)
        if (item_label[i] && DriverWindowText(item_label[i]) == label) return item_edit[i];
    return 0;
}

WindowId ScriptControl(const std::string& text) {
    WindowId field = ScriptInputField(text);
    if (field) return field;
    int buttons = button_count.load();
    for (int i = 0; i < buttons && i < BUTTON_BOX_MAX; i++)
        if (button_hwnd[i] && DriverWindowText(button_hwnd[i]) == text) return button_hwnd[i];
    return DriverFindControl(text.c_str());
}

struct KeyName {
    const char* name;
    int key;
};

static const KeyName KEY_NAMES[] = {
    {"tab", KEY_TAB},       {"enter", KEY_RETURN}, {"return", KEY_RETURN}, {"esc", KEY_ESCAPE},
    {"escape", KEY_ESCAPE}, {"space", KEY_SPACE},  {"backspace", KEY_BACK}, {"delete", KEY_DELETE},
    {"insert", KEY_INSERT}, {"home", KEY_HOME},    {"end", KEY_END},       {"pageup", KEY_PRIOR},
    {"pagedown", KEY_NEXT}, {"left", KEY_LEFT},    {"right", KEY_RIGHT},   {"up", KEY_UP},
    {"down", KEY_DOWN},
};

static bool PlainKey(const std::string& name, int* key) {
    for (const KeyName& k : KEY_NAMES)
        if (name == k.name) return *key = k.key, true;
    if (name.size() == 1 && isalnum((unsigned char)name[0])) return *key = toupper((unsigned char)name[0]), true;
    if (name.size() >= 2 && name[0] == 'f' && isdigit((unsigned char)name[1])) {
        int n = atoi(name.c_str() + 1);
        if (n >= 1 && n <= 12 && name == "f" + std::to_string(n)) return *key = KEY_F1 + n - 1, true;
    }
    return false;
}

static std::string Lower(const std::string& word) {
    std::string out;
    for (char c : word) out += (char)tolower((unsigned char)c);
    return out;
}

static bool ModifierFlag(const std::string& name, int* mods) {
    if (name == "ctrl" || name == "control") *mods |= INPUT_MOD_CONTROL;
    else if (name == "shift") *mods |= INPUT_MOD_SHIFT;
    else if (name == "alt") *mods |= INPUT_MOD_ALT;
    else return false;
    return true;
}

bool ScriptKeyCode(const std::string& name, int* key, int* mods) {
    std::string rest = Lower(name);
    *mods = 0;
    size_t plus;
    // "ctrl++" would be the plus key; a lone "+" is left to PlainKey, which refuses it.
    while ((plus = rest.find('+')) != std::string::npos && plus > 0) {
        if (!ModifierFlag(rest.substr(0, plus), mods)) return false;
        rest = rest.substr(plus + 1);
    }
    return PlainKey(rest, key);
}

bool ScriptModifiers(const std::string& word, int* mods) {
    const std::string rest = Lower(word) + "+";
    *mods = 0;
    size_t from = 0, plus;
    while ((plus = rest.find('+', from)) != std::string::npos) {
        if (!ModifierFlag(rest.substr(from, plus - from), mods)) return false;
        from = plus + 1;
    }
    return true;
}

PlatPoint ScriptClientToScreen(WindowId window, int x, int y) {
    PlatRect client = DriverClientRectScreen(window);
    return PlatPoint{client.left + x, client.top + y};
}

// A menu item's text as the user reads it: no mnemonic marks, no shortcut.
static std::string ShownItemText(const char16_t* text) {
    char utf8[512];
    Utf16ToUtf8(text, -1, utf8, sizeof utf8);
    std::string out;
    for (const char* p = utf8; *p && *p != '\t'; p++)
        if (*p != '&' || p[1] == '&') out += *p == '&' ? *++p : *p;
    return out;
}

bool ScriptMenuItemRect(const std::string& text, PlatRect* rect, bool* opens_submenu) {
    Menu* menu = (Menu*)PlatGetWindowData(PlatGetTrackedMenuWindow());
    for (int i = 0; menu && i < PlatGetMenuItemCount(menu); i++) {
        int id = 0, state = 0;
        char16_t item[256] = {0};
        PlatGetMenuItem(menu, i, &id, &state, item, 256);
        if (ShownItemText(item) != text) continue;
        *opens_submenu = menu->items[i].submenu != nullptr;
        return PlatGetTrackedMenuItemRect(i, rect);
    }
    return false;
}
