// Top-level windows of the tests' own classes.
#include "top_window.h"

WindowId MakeTopWindow(const char* class_name, int x, int y, int width, int height, uint32_t style,
                       const char16_t* text, Menu* menu) {
    WindowCreate c{};
    c.class_name = class_name;
    c.text = text;
    c.style = style;
    c.x = x;
    c.y = y;
    c.width = width;
    c.height = height;
    c.menu = menu;
    return PlatCreateWindow(&c);
}
