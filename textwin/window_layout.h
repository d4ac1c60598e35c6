// A snapshot of where the framework's windows are: every image window, every open text
// window, the input box and the button box, with what it takes to create each again. The
// window report prints it and generates source from it; taking it first, without pumping
// messages, means a window closed while the report prints cannot change what is read.
#pragma once

#include "imagewin/image_table.h"
#include "textwin/text_window.h"

enum { LAYOUT_TEXT_BYTES = 256, LAYOUT_MAX_ITEMS = 30, LAYOUT_MAX_BUTTONS = 256 };

struct ImageLayout {
    int index;
    int bits;          // 8 or 32
    int fit_screen;
    int x, y;          // outer left and top on the screen
    int width, height; // pixels of the image
    int zoom;          // percent
    char* title;       // owned copy
};

struct TextLayout {
    int id;
    int x, y;          // outer left and top
    int width, height; // client size
};

struct WindowLayout {
    int image_count;
    ImageLayout images[IMAGE_SLOTS];
    int text_count;
    TextLayout texts[TEXT_WINDOW_COUNT];
    bool has_input_box;
    int input_x, input_y, item_count, isize, esize;
    char labels[LAYOUT_MAX_ITEMS][LAYOUT_TEXT_BYTES];
    bool has_button_box;
    int button_x, button_y, button_nx, button_ny, button_count;
    int box_width, box_height;   // client size of the button box
    char buttons[LAYOUT_MAX_BUTTONS][LAYOUT_TEXT_BYTES];
};

// Reads the layout on the thread that owns the framework's windows. Returns a heap snapshot
// to be released with FreeWindowLayout, or null when memory ran out.
WindowLayout* CollectWindowLayout(void);
void FreeWindowLayout(WindowLayout* layout);
