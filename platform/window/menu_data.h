// The menu record, shared by the menu data, the menu bar and popup tracking.
#pragma once

#include "platform/plat_types.h"

struct Menu;

enum { MAX_MENU_ITEMS = 64, MAX_MENU_TEXT = 128 };

struct MenuItem {
    int id;
    int state;                 // MENU_ENABLED, MENU_GRAYED or MENU_CHECKED
    bool separator;
    Menu* submenu;
    char16_t text[MAX_MENU_TEXT];
};

struct Menu {
    bool popup;
    int count;
    MenuItem items[MAX_MENU_ITEMS];
};
