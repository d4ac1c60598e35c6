/* A user program, in C, that defines for itself the short global names the library's own
 * state once had (current_image, item_count, draw_state, ...). It must link against the
 * installed library and run: the library's internal names live in namespace pxk or in their
 * files, so they never meet a program's. UserSetup drives the library state that those names
 * stood for and reports whether the program's own variables kept their values. */
#include <pxk.h>

/* C and C++ must see one object for the shared flags (PXK_ATOMIC_INT). */
_Static_assert(sizeof(PXK_ATOMIC_INT) == sizeof(int), "shared flags have int's size");
_Static_assert(_Alignof(PXK_ATOMIC_INT) == _Alignof(int), "shared flags have int's alignment");

int current_image = 11, image_table = 12, image_pixels = 13, item_count = 14, isize = 15;
int esize = 16, focused_edit = 17, sizing_edge = 18, draw_state = 19, main_window = 20;
int button_box = 21, input_box = 22, button_count = 23, text_windows = 24, worker_stage = 25;
int status_line = 26, screen_bits = 27, point_input = 28, g_windows = 29, g_focus = 30;
int bitmap_font = 31, request_channel = 32, start_dir = 33, last_line = 34, g_x11 = 35;

static int Kept(void) {
    int sum = current_image + image_table + image_pixels + item_count + isize + esize + focused_edit +
              sizing_edge + draw_state + main_window + button_box + input_box + button_count +
              text_windows + worker_stage + status_line + screen_bits + point_input + g_windows + g_focus +
              bitmap_font + request_channel + start_dir + last_line + g_x11;
    return sum == (11 + 35) * 25 / 2;
}

void UserSetup(void) {
    PXK_OpenTextWindow(0, 0, 0, 400, 300);
    int created = PXK_CreateImage(1, "names", 0, 0, 16, 16, 100);
    PXK_OpenInputBox(0, 0, 3);
    PXK_ResizeInputBox(90, 60);
    PXK_OpenButtonBox(0, 0, 2, 2);
    PXK_SetDrawColor(0x123456);
    PXK_DrawBox(0, 0, 15, 15);
    PXK_Printf("image %d, pixel %06x, items %d, names %s\n", created, (unsigned)PXK_GetPixel(0, 0),
               PXK_GetInputBoxInt(2) + 3, Kept() ? "kept" : "changed");
}

void UserMain(void) {}
