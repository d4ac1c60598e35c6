// The input box in the running program: item counts, values typed by the user and taken on
// Tab or Enter, values written with 10 significant digits, horizontal sizing by either
// border, renaming through the text window, the Destroy menu, and bad input.
#include "box_fixture.h"

#include "boxes/button_box.h"
#include "boxes/input_box.h"
#include "platform/draw/draw.h"
#include "platform/font/font.h"
#include "platform/window/menu.h"
#include "platform/window/window.h"

#include "textwin/text_window.h"

#include <string.h>

#include <vector>

using namespace box_test;

namespace {

struct ChildCount {
    int statics = 0;
    int edits = 0;
};

int CountChild(WindowId child, void* data) {
    ChildCount* c = (ChildCount*)data;
    if (PlatIsWindowOfClass(child, "STATIC")) c->statics++;
    if (PlatIsWindowOfClass(child, "EDIT")) c->edits++;
    return 0;
}

ChildCount CountItems(void) {
    ChildCount c;
    PlatEnumChildren(input_box.load(), CountChild, &c);
    return c;
}

int Width(WindowId w) { return RectWidth(DriverWindowRect(w)); }

class InputBox : public BoxTest {
protected:
    WindowId Open(int items) {
        OnWorker([items] { PXK_OpenInputBox(200, 150, items); });
        EXPECT_TRUE(DriverWaitIdle());
        return input_box.load();
    }
};

TEST_F(InputBox, ItemCountIsClampedToOneAndThirty) {
    WindowId box = Open(0);
    ASSERT_NE(box, 0u);
    EXPECT_EQ(item_count.load(), 1);
    EXPECT_EQ(CountItems().statics, 1);
    EXPECT_EQ(CountItems().edits, 1);
    EXPECT_EQ(DriverWindowText(box), "InputBox");
    EXPECT_EQ(DriverWindowText(item_label[0]), "Item 0");
    EXPECT_EQ(DriverWindowText(item_edit[0]), "0");
    // A second open while the box exists is ignored.
    OnWorker([] { PXK_OpenInputBox(10, 10, 5); });
    EXPECT_EQ(input_box.load(), box);
    EXPECT_EQ(item_count.load(), 1);
    OnWorker([] { PXK_CloseInputBox(); });
    EXPECT_FALSE(PlatIsWindow(box));
    box = Open(45);
    ASSERT_NE(box, 0u);
    EXPECT_EQ(item_count.load(), 30);
    EXPECT_EQ(CountItems().statics, 30);
    EXPECT_EQ(CountItems().edits, 30);
    EXPECT_EQ(DriverWindowText(item_label[29]), "Item 29");
    // Layout: client (80 + 70 + 12) x (28 x 30 + 2), rows 28 pixels apart, at the asked place.
    PlatRect client = DriverClientRectScreen(box);
    EXPECT_EQ(RectWidth(client), 162);
    EXPECT_EQ(RectHeight(client), 842);
    EXPECT_EQ(DriverWindowRect(box).left, 200);
    EXPECT_EQ(DriverWindowRect(box).top, 150);
    PlatRect edit = DriverWindowRect(item_edit[29]);
    EXPECT_EQ(edit.left - client.left, 88);
    EXPECT_EQ(edit.top - client.top, 4 + 28 * 29);
    EXPECT_EQ(RectWidth(edit), 70);
    PlatRect label = DriverWindowRect(item_label[29]);
    EXPECT_EQ(label.top - client.top, 4 + 28 * 29 + 3);
    EXPECT_EQ(RectWidth(label), 80);
    // The first field has the focus.
    EXPECT_EQ(PlatGetFocus(), item_edit[0]);
}

TEST_F(InputBox, TypedValueReachesTheProgramOnlyOnTabOrEnter) {
    ASSERT_NE(Open(2), 0u);
    OnWorker([] { PXK_SetInputBoxValue(0, 4.5); });
    EXPECT_EQ(DriverWindowText(item_edit[0]), "4.5");
    EXPECT_EQ(Ask<double>([] { return PXK_GetInputBoxValue(0); }), 4.5);
    PlatPoint c = CentreOf(item_edit[0]);
    DriverClick(c.x, c.y);
    KeyWith('A', INPUT_MOD_CONTROL);
    DriverType("6");
    ASSERT_TRUE(DriverWaitFor([] { return DriverWindowText(item_edit[0]) == "6"; }));
    // Still typing: the program sees the old value.
    EXPECT_EQ(Ask<double>([] { return PXK_GetInputBoxValue(0); }), 4.5);
    DriverKey(KEY_TAB);
    ASSERT_TRUE(DriverWaitFor([] { return PlatGetFocus() == item_edit[1]; }));
    EXPECT_EQ(Ask<double>([] { return PXK_GetInputBoxValue(0); }), 6.0);
    EXPECT_EQ(Ask<int>([] { return PXK_GetInputBoxInt(0); }), 6);
    // Enter takes the field's text without moving the focus. Tabbing in selected "0".
    DriverType("7");
    ASSERT_TRUE(DriverWaitFor([] { return DriverWindowText(item_edit[1]) == "7"; }));
    EXPECT_EQ(Ask<int>([] { return PXK_GetInputBoxInt(1); }), 0);
    DriverType("\n");
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(Ask<int>([] { return PXK_GetInputBoxInt(1); }), 7);
    EXPECT_EQ(PlatGetFocus(), item_edit[1]);
    // A click in another field takes the value too (the field loses the focus).
    DriverType("1");
    ASSERT_TRUE(DriverWaitFor([] { return DriverWindowText(item_edit[1]) == "71"; }));
    c = CentreOf(item_edit[0]);
    DriverClick(c.x, c.y);
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(Ask<int>([] { return PXK_GetInputBoxInt(1); }), 71);
}

// With one field Tab has nowhere else to go: it still takes the value and leaves the focus,
// with the whole text selected, in the field.
TEST_F(InputBox, TabInTheOnlyFieldTakesItsValue) {
    ASSERT_NE(Open(1), 0u);
    PlatPoint c = CentreOf(item_edit[0]);
    DriverClick(c.x, c.y);
    KeyWith('A', INPUT_MOD_CONTROL);
    DriverType("6");
    ASSERT_TRUE(DriverWaitFor([] { return DriverWindowText(item_edit[0]) == "6"; }));
    DriverKey(KEY_TAB);
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(Ask<int>([] { return PXK_GetInputBoxInt(0); }), 6);
    EXPECT_EQ(PlatGetFocus(), item_edit[0]);
    DriverType("8");
    ASSERT_TRUE(DriverWaitFor([] { return DriverWindowText(item_edit[0]) == "8"; }));
}

TEST_F(InputBox, ValuesAreWrittenWithTenSignificantDigits) {
    ASSERT_NE(Open(3), 0u);
    OnWorker([] {
        PXK_SetInputBoxValue(0, 1.0 / 3.0);
        PXK_SetInputBoxValue(1, 1e20);
        PXK_SetInputBoxInt(2, -12);
    });
    EXPECT_EQ(DriverWindowText(item_edit[0]), "0.3333333333");
    EXPECT_EQ(DriverWindowText(item_edit[1]), "1e+20");
    EXPECT_EQ(DriverWindowText(item_edit[2]), "-12");
    EXPECT_EQ(Ask<double>([] { return PXK_GetInputBoxValue(0); }), 0.3333333333);
    EXPECT_EQ(Ask<double>([] { return PXK_GetInputBoxValue(1); }), 1e20);
    EXPECT_EQ(Ask<int>([] { return PXK_GetInputBoxInt(2); }), -12);
    // atoi of a fractional value stops at the point.
    EXPECT_EQ(Ask<int>([] { return PXK_GetInputBoxInt(0); }), 0);
    OnWorker([] { PXK_SetInputBoxValue(2, 2.75); });
    EXPECT_EQ(Ask<int>([] { return PXK_GetInputBoxInt(2); }), 2);
}

TEST_F(InputBox, DraggingABorderSizesLabelsOrFieldsOnly) {
    WindowId box = Open(2);
    ASSERT_NE(box, 0u);
    PlatRect r = DriverWindowRect(box);
    int midy = (r.top + r.bottom) / 2;
    int edit_w = Width(item_edit[1]), label_w = Width(item_label[1]);
    // Right border 30 pixels to the right: the fields grow.
    DriverDrag(r.right - 2, midy, r.right + 28, midy);
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(Width(item_edit[1]), edit_w + 30);
    EXPECT_EQ(Width(item_label[1]), label_w);
    EXPECT_EQ(esize.load(), 100);
    // Left border 30 pixels to the left: the labels grow and the fields move right.
    r = DriverWindowRect(box);
    PlatRect edit_before = DriverWindowRect(item_edit[0]);
    DriverDrag(r.left + 1, midy, r.left - 29, midy);
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(Width(item_label[1]), label_w + 30);
    EXPECT_EQ(Width(item_edit[1]), edit_w + 30);
    EXPECT_EQ(isize.load(), 110);
    EXPECT_EQ(DriverWindowRect(item_edit[0]).left, edit_before.left);   // the box grew leftwards
    // Top and bottom borders change nothing.
    r = DriverWindowRect(box);
    int midx = (r.left + r.right) / 2;
    DriverDrag(midx, r.bottom - 1, midx, r.bottom + 40);
    DriverDrag(midx, r.top + 1, midx, r.top - 40);
    ASSERT_TRUE(DriverWaitIdle());
    PlatRect after = DriverWindowRect(box);
    EXPECT_EQ(after.top, r.top);
    EXPECT_EQ(after.bottom, r.bottom);
    EXPECT_EQ(isize.load(), 110);
    EXPECT_EQ(esize.load(), 100);
    // The program can set the widths; the box follows.
    OnWorker([] { PXK_ResizeInputBox(60, 50); });
    EXPECT_EQ(RectWidth(DriverClientRectScreen(box)), 122);
    EXPECT_EQ(Width(item_label[0]), 60);
    EXPECT_EQ(Width(item_edit[0]), 50);
    EXPECT_EQ(DriverWindowRect(item_edit[0]).left - DriverClientRectScreen(box).left, 68);
}

TEST_F(InputBox, RenameThroughTheTextWindowKeepsTheLabelOnEmptyAnswer) {
    WindowId box = Open(3);
    ASSERT_NE(box, 0u);
    OnWorker([] { PXK_SetInputBoxTitle(1, "Height"); });
    EXPECT_EQ(DriverWindowText(item_label[1]), "Height");
    // A double click on row 1 (on its label) asks for a new name.
    PlatRect label = DriverWindowRect(item_label[1]);
    DriverDoubleClick(label.left + 5, label.top + 5);
    ASSERT_TRUE(DriverWaitFor([] { return input_active.load() != 0; }));
    DriverType("\n");
    ASSERT_TRUE(DriverWaitFor([] { return input_active.load() == 0; }));
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(DriverWindowText(item_label[1]), "Height");
    DriverDoubleClick(label.left + 5, label.top + 5);
    ASSERT_TRUE(DriverWaitFor([] { return input_active.load() != 0; }));
    DriverType("Depth\n");
    ASSERT_TRUE(DriverWaitFor([] { return DriverWindowText(item_label[1]) == "Depth"; }));
    // Rename from the popup menu of a row, below the last row nothing happens.
    PlatRect client = DriverClientRectScreen(box);
    DriverClick(client.left + 2, client.top + 4 + 28 * 2 + 1, BUTTON_RIGHT);
    ASSERT_TRUE(DriverWaitFor([] { return PlatGetTrackedMenuWindow() != 0; }));
    PlatRect menu = DriverWindowRect(PlatGetTrackedMenuWindow());
    DriverClick(menu.left + 10, menu.top + 8);
    ASSERT_TRUE(DriverWaitFor([] { return input_active.load() != 0; }));
    DriverType("Width\n");
    ASSERT_TRUE(DriverWaitFor([] { return DriverWindowText(item_label[2]) == "Width"; }));
}

// True when text window 0 shows exactly `text`, white on black, on its first line and
// nothing else there.
bool FirstLineShows(const char16_t* text) {
    int width = 0, height = 0;
    std::vector<uint32_t> screen = DriverClientPixels(text_windows[0].hwnd.load(), &width, &height);
    Surface* s = nullptr;
    if (width <= 0 || height < 16 || PlatCreateSurface(&s, width, 16, 32) != 0) return false;
    DrawContext* dc = PlatCreateMemoryContext(s);
    PlatSelectFont(dc, PlatGetStockFont(STOCK_CONSOLE_FONT));
    PlatSetTextColor(dc, 0xFFFFFF);
    PlatSetBackColor(dc, 0x000000);
    PlatTextOut(dc, 0, 0, text, -1);
    bool same = true;
    for (int y = 0; y < 16 && same; y++)
        for (int x = 0; x < width && same; x++)
            same = (screen[(size_t)y * width + x] & 0xFFFFFFu) == (((uint32_t*)SurfaceRow(s, y))[x] & 0xFFFFFFu);
    PlatDeleteContext(dc);
    PlatDestroySurface(s);
    return same;
}

TEST_F(InputBox, RenamingAnItemOrAButtonWhileALineIsReadIsRefusedBeforeAnythingIsPrinted) {
    WindowId box = Open(3);
    ASSERT_NE(box, 0u);
    OnWorker([] { PXK_OpenButtonBox(1300, 150, 2, 1); });
    ASSERT_TRUE(DriverWaitIdle());
    PlatRect label = DriverWindowRect(item_label[1]);
    DriverDoubleClick(label.left + 5, label.top + 5);
    ASSERT_TRUE(DriverWaitFor([] { return input_active.load() != 0; }));
    DriverType("ab");
    // Renaming item 2 and button 0 during the rename of item 1: both refused.
    PlatRect other = DriverWindowRect(item_label[2]);
    DriverDoubleClick(other.left + 5, other.top + 5);
    PlatRect buttons = DriverClientRectScreen(button_box.load());
    DriverDoubleClick(buttons.left + 1, buttons.top + 1);
    ASSERT_TRUE(DriverWaitIdle());
    PlatRect text = DriverClientRectScreen(text_windows[0].hwnd.load());
    DriverClick(text.left + 100, text.top + 100);
    ASSERT_TRUE(DriverWaitIdle());
    DriverType("c\n");
    ASSERT_TRUE(DriverWaitFor([] { return DriverWindowText(item_label[1]) == "abc"; }));
    EXPECT_EQ(DriverWindowText(item_label[2]), "Item 2");
    EXPECT_EQ(DriverWindowText(button_hwnd[0]), "0");
    EXPECT_TRUE(DriverWaitFor([] { return FirstLineShows(u"1 'Item 1' ->abc"); }));
}

TEST_F(InputBox, ReadsAfterDestructionReturnZero) {
    WindowId box = Open(2);
    ASSERT_NE(box, 0u);
    OnWorker([] { PXK_SetInputBoxInt(1, 42); });
    EXPECT_EQ(Ask<int>([] { return PXK_GetInputBoxInt(1); }), 42);
    // Destroy from the caption's popup menu.
    PlatRect r = DriverWindowRect(box);
    DriverClick(r.left + 20, r.top + 8, BUTTON_RIGHT);
    ASSERT_TRUE(DriverWaitFor([] { return PlatGetTrackedMenuWindow() != 0; }));
    PlatRect menu = DriverWindowRect(PlatGetTrackedMenuWindow());
    DriverClick(menu.left + 10, menu.top + 8);
    ASSERT_TRUE(DriverWaitFor([box] { return input_box.load() == 0 && !PlatIsWindow(box); }));
    EXPECT_EQ(Ask<int>([] { return PXK_GetInputBoxInt(1); }), 0);
    EXPECT_EQ(Ask<double>([] { return PXK_GetInputBoxValue(1); }), 0.0);
    OnWorker([] { PXK_SetInputBoxInt(1, 5); });   // ignored without a box
    // A new box keeps the widths and starts with fresh values; the close box ends it too.
    box = Open(2);
    EXPECT_EQ(Ask<int>([] { return PXK_GetInputBoxInt(1); }), 0);
    PlatPostMessage(box, MSG_CLOSE, 0, 0);
    ASSERT_TRUE(DriverWaitFor([] { return input_box.load() == 0; }));
}

TEST_F(InputBox, BadIndexesAndBadTextReadAsZero) {
    ASSERT_NE(Open(2), 0u);
    OnWorker([] {
        PXK_SetInputBoxInt(-1, 9);
        PXK_SetInputBoxInt(2, 9);
        PXK_SetInputBoxValue(30, 9.0);
        PXK_SetInputBoxTitle(5, "x");
    });
    EXPECT_EQ(Ask<int>([] { return PXK_GetInputBoxInt(-1) + PXK_GetInputBoxInt(2) + PXK_GetInputBoxInt(256); }), 0);
    EXPECT_EQ(Ask<double>([] { return PXK_GetInputBoxValue(2); }), 0.0);
    // Text that is no number reads as 0; a number followed by text reads as the number.
    DriverType("abc\t");
    ASSERT_TRUE(DriverWaitFor([] { return PlatGetFocus() == item_edit[1]; }));
    EXPECT_EQ(Ask<double>([] { return PXK_GetInputBoxValue(0); }), 0.0);
    DriverType("12.5kg\n");
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(Ask<double>([] { return PXK_GetInputBoxValue(1); }), 12.5);
    EXPECT_EQ(Ask<int>([] { return PXK_GetInputBoxInt(1); }), 12);
}

TEST_F(InputBox, PastedLineLongerThanTheFieldStaysWithinTheValue) {
    ASSERT_NE(Open(1), 0u);
    std::string line;
    for (int i = 0; i < 300; i++) line += "\xC3\xA9";   // é: two bytes, one unit
    DriverSetClipboardText(line.c_str());
    KeyWith('A', INPUT_MOD_CONTROL);
    KeyWith('V', INPUT_MOD_CONTROL);
    DriverType("\n");
    ASSERT_TRUE(DriverWaitIdle());
    std::string value = Ask<std::string>([] { return std::string(item_value[0]); });
    // 255 units in the field; the value keeps whole characters within 255 bytes and its NUL.
    EXPECT_EQ(value.size(), 254u);
    EXPECT_EQ(value, line.substr(0, 254));
    EXPECT_EQ(Ask<double>([] { return PXK_GetInputBoxValue(0); }), 0.0);
}

}  // namespace
