// Menu data: menu bars and popup menus built item by item by position. Drawing of the menu
// bar is part of the non-client area; tracking a popup is in popup_menu.cpp.
#include "platform/window/menu.h"
#include "platform/layer_mutex.h"
#include "platform/window/menu_data.h"

#include <mutex>
#include <string.h>

static LayerMutex g_menu_lock;

static Menu* NewMenu(bool popup) {
    Menu* m = new Menu;
    memset((void*)m, 0, sizeof *m);
    m->popup = popup;
    return m;
}

Menu* PlatCreateMenu(void) { return NewMenu(false); }
Menu* PlatCreatePopupMenu(void) { return NewMenu(true); }

void PlatDestroyMenu(Menu* menu) {
    if (!menu) return;
    for (int i = 0; i < menu->count; i++) PlatDestroyMenu(menu->items[i].submenu);
    delete menu;
}

static MenuItem* InsertSlot(Menu* menu, int position) {
    if (!menu || menu->count >= MAX_MENU_ITEMS) return nullptr;
    if (position < 0 || position > menu->count) position = menu->count;
    memmove(&menu->items[position + 1], &menu->items[position],
            (size_t)(menu->count - position) * sizeof(MenuItem));
    menu->count++;
    MenuItem* item = &menu->items[position];
    memset((void*)item, 0, sizeof *item);
    return item;
}

static void CopyText(char16_t* dst, const char16_t* src) {
    int n = 0;
    if (src)
        while (src[n] && n < MAX_MENU_TEXT - 1) n++;
    if (n) memcpy(dst, src, (size_t)n * sizeof(char16_t));
    dst[n] = 0;
}

int PlatInsertMenuItem(Menu* menu, int position, int state, int id, const char16_t* text) {
    std::lock_guard<LayerMutex> guard(g_menu_lock);
    MenuItem* item = InsertSlot(menu, position);
    if (!item) return 1;
    item->id = id;
    item->state = state;
    CopyText(item->text, text);
    return 0;
}

int PlatInsertMenuSeparator(Menu* menu, int position) {
    std::lock_guard<LayerMutex> guard(g_menu_lock);
    MenuItem* item = InsertSlot(menu, position);
    if (!item) return 1;
    item->separator = true;
    return 0;
}

int PlatInsertSubMenu(Menu* menu, int position, const char16_t* text, Menu* submenu) {
    std::lock_guard<LayerMutex> guard(g_menu_lock);
    MenuItem* item = InsertSlot(menu, position);
    if (!item) return 1;
    item->submenu = submenu;
    CopyText(item->text, text);
    return 0;
}

int PlatGetMenuItemCount(const Menu* menu) {
    std::lock_guard<LayerMutex> guard(g_menu_lock);
    return menu ? menu->count : 0;
}

int PlatGetMenuItem(const Menu* menu, int position, int* id, int* state, char16_t* text, int size) {
    std::lock_guard<LayerMutex> guard(g_menu_lock);
    if (!menu || position < 0 || position >= menu->count) return 1;
    const MenuItem& item = menu->items[position];
    if (id) *id = item.id;
    if (state) *state = item.state;
    if (text && size > 0) {
        int n = 0;
        while (item.text[n] && n < size - 1) n++;
        memcpy(text, item.text, (size_t)n * sizeof(char16_t));
        text[n] = 0;
    }
    return 0;
}
