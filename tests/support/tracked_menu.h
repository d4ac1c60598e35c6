// The popup menu a program is tracking, read and driven as the user sees it: its rows (text,
// command id, state) and a click on one of them.
#pragma once

#include <ostream>
#include <string>
#include <vector>

struct MenuRow {
    std::string text;   // UTF-8; empty for a separator
    int id, state;      // id 0 for a separator
};
bool operator==(const MenuRow& a, const MenuRow& b);
std::ostream& operator<<(std::ostream& os, const MenuRow& r);

// The rows of the innermost menu being tracked (none when no menu is open).
std::vector<MenuRow> TrackedMenuRows(void);
// Right-clicks (or clicks with another button) the screen point and waits for a menu; false
// when none opened.
bool RightClickForMenu(int x, int y);
bool ClickForMenu(int x, int y, int button);
// Clicks the submenu row at this position and waits until its submenu is the innermost menu.
bool OpenTrackedSubmenu(int position);
// Clicks the row at this position and waits until the menu has closed.
bool ChooseTrackedRow(int position);
// Presses Esc and waits until the menu has closed.
bool DismissTrackedMenu(void);
