// The colour and drawing commands of the image window in the running program, started as the
// menus start them (a command message to the window) and answered with clicks and keys: the
// colour dialog, Pick on 32- and 8-bit images, every drawing command's pixels against the same
// figure drawn by the drawing operations, and Draw Text with its "Text>" line, including an
// image made current or destroyed while the line is typed.
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imagewin/image_table.h"
#include "imaging/draw_state.h"
#include "platform/controls/color_dialog.h"
#include "platform/controls/dialog_paint.h"
#include "platform/draw/draw.h"
#include "platform/draw/system_colors.h"
#include "platform/font/font.h"
#include "platform/window/input.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "support/harness.h"
#include "support/top_window.h"
#include "support/worker_jobs.h"
#include "textwin/text_window.h"

extern "C" void UserSetup(void) { StartRequested.store(1); }

extern "C" void UserMain(void) { ServeJobsUntilExit(); }

namespace {

enum { W = 160, H = 120, DRAWN = 0, GREY8 = 1, REFERENCE = 2 };
enum { MSG_SELECT_REFERENCE = MSG_USER, MSG_DESTROY_DRAWN };

// Actions run on the worker inside a command's wait (jobs run only between pumps).
intptr_t HelperProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == MSG_SELECT_REFERENCE) PXK_SelectImage(REFERENCE);
    else if (msg == MSG_DESTROY_DRAWN) PXK_DestroyImage(DRAWN);
    else return PlatDefWindowProc(window, msg, wparam, lparam);
    return 0;
}

std::vector<uint32_t> Pixels(int index) {
    return Ask<std::vector<uint32_t>>([=] {
        const uint32_t* p = (const uint32_t*)image_pixels[index];
        return std::vector<uint32_t>(p, p + W * H);
    });
}

struct TextColors {
    uint32_t draw, tc, tttc;
    bool operator==(const TextColors&) const = default;
};
TextColors Colors() { return Ask<TextColors>([] { return TextColors{(uint32_t)PXK_GetDrawColor(), (uint32_t)pxk_tc, (uint32_t)pxk_tttc}; }); }

class DrawCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartProgram());
        ASSERT_EQ(Ask<int>([] { return PXK_CreateImage(DRAWN, "drawn", 40, 40, W, H, 100); }), 0);
        ASSERT_EQ(Ask<int>([] { return PXK_CreateImage8(GREY8, "grey", 220, 40, W, H, 100); }), 0);
        ASSERT_EQ(Ask<int>([] { return PXK_CreateImage(REFERENCE, "reference", 400, 40, W, H, 100); }), 0);
        for (int i = 0; i < 3; i++) windows[i] = Ask<WindowId>([=] { return image_table[i].window; });
        window = windows[DRAWN];
        ASSERT_EQ(Ask<int>([] { return image_table[DRAWN].zoom; }), 100) << "clicks are image pixels";
        helper = Ask<WindowId>([] {
            WindowClassDesc d{"draw_commands_helper", HelperProc, 0, 0};
            PlatRegisterClass(&d);
            return MakeTopWindow("draw_commands_helper", 0, 700, 100, 60);
        });
        ASSERT_NE(helper, 0u);
    }
    void TearDown() override {
        if (ProgramRunning()) {
            EXPECT_EQ(StopProgram(), 0);
        }
    }
    // The command as a menu item sends it; Done() returns once it has returned.
    void Command(int id, int index = DRAWN) {
        PlatPostMessage(windows[index], MSG_COMMAND, (uintptr_t)MakeParam(id, 0), 0);
    }
    void Done() { ASSERT_TRUE(OnWorker([] {})); }
    void ClickAt(const char* prompt, int index, int x, int y) {
        ASSERT_TRUE(DriverWaitFor([&] { return StatusWords() == prompt; })) << StatusWords();
        // (no jobs here: the worker is inside the tool's wait)
        const PlatRect client = DriverClientRectScreen(windows[index]);
        DriverClick(client.left + x, client.top + y);
    }
    ColorDialogView OpenDialog() {
        Command(1031);
        EXPECT_NE(DriverWaitColorDialog(), 0u);
        ColorDialogView v{};
        EXPECT_TRUE(DriverReadColorDialog(&v));
        return v;
    }

    WindowId windows[3] = {}, window = 0, helper = 0;   // read before any command runs
};

bool ShowsColor(const ColorDialogView& v, uint32_t c) { return v.color == c; }

TEST_F(DrawCommands, ColorDialogByClicksAndKeysSetsTheThreeColoursAndCancelChangesNothing) {
    const TextColors start = Colors();
    ASSERT_EQ(start, (TextColors{0xFFFFFF, 0x000000, 0xFFFFFF}));
    // Cancel after a change, by Esc and by the Cancel button: nothing changes, not even pxk_tc.
    for (int by_button = 0; by_button < 2; by_button++) {
        ColorDialogView v = OpenDialog();
        EXPECT_EQ(v.color, 0xFFFFFFu);
        EXPECT_EQ(v.basic_selected, 47) << "white is the last basic swatch";
        ASSERT_TRUE(DriverClickColorDialog(COLORDLG_BASIC, 8));
        ASSERT_TRUE(DriverWaitColorDialogView([](const ColorDialogView& s) { return s.color == 0xFF0000 && s.basic_selected == 8; }));
        DriverKey('A', INPUT_MOD_ALT);
        ASSERT_TRUE(DriverWaitColorDialogView([](const ColorDialogView& s) { return s.custom[0] == 0xFF0000; }));
        if (by_button) ASSERT_TRUE(DriverClickColorDialog(COLORDLG_CANCEL));
        else DriverKey(KEY_ESCAPE);
        Done();
        EXPECT_EQ(Colors(), start);
    }
    // (jobs do not run while the dialog waits: the colours to expect are computed first)
    const uint32_t want = Ask<uint32_t>([] { return PXK_HSVtoRGB(255, 255, 200); });
    const uint32_t stepped = Ask<uint32_t>([] { return PXK_HSVtoRGB(255, 255, 199); });
    int hsv[3];
    ASSERT_TRUE(OnWorker([&] { PXK_RGBtoHSV(stepped, &hsv[0], &hsv[1], &hsv[2]); }));
    // Clicks and keys: a basic swatch, green typed, hue typed, the colour added to the custom ones.
    ColorDialogView v = OpenDialog();
    EXPECT_EQ(v.custom[0], 0u) << "a cancelled dialog keeps no custom colour";
    ASSERT_TRUE(DriverClickColorDialog(COLORDLG_BASIC, 8));
    DriverKey('G', INPUT_MOD_ALT);
    DriverType("128");
    ASSERT_TRUE(DriverWaitColorDialogView([](const ColorDialogView& s) { return ShowsColor(s, 0xFF8000); }));
    ASSERT_TRUE(DriverReadColorDialog(&v));
    EXPECT_EQ(std::vector<int>(v.fields, v.fields + 6), (std::vector<int>{30, 255, 255, 255, 128, 0}));
    DriverKey('E', INPUT_MOD_ALT);
    DriverType("200");
    ASSERT_TRUE(DriverWaitColorDialogView([=](const ColorDialogView& s) { return ShowsColor(s, want) && s.fields[0] == 200; }));
    DriverKey(KEY_DOWN);   // the focused hue field steps down
    ASSERT_TRUE(DriverWaitColorDialogView([=](const ColorDialogView& s) { return ShowsColor(s, stepped); }));
    ASSERT_TRUE(DriverClickColorDialog(COLORDLG_ADD));
    ASSERT_TRUE(DriverWaitColorDialogView([=](const ColorDialogView& s) { return s.custom[0] == stepped && s.custom_selected == 1; }));
    // The custom swatch shows the colour on screen.
    PlatRect cell;
    ASSERT_TRUE(PlatColorDialogPartRect(COLORDLG_CUSTOM, 0, &cell));
    const WindowId dialog = DriverWaitColorDialog();
    EXPECT_TRUE(DriverWaitFor([&] {
        return (DriverClientPixel(dialog, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2) & 0xFFFFFF) == stepped;
    }));
    DriverKey(KEY_RETURN);
    Done();
    EXPECT_EQ(Colors(), (TextColors{stepped, stepped, stepped}));
    // The next dialog starts from the drawing colour and the kept custom colour; Left in the
    // basic grid wraps around.
    v = OpenDialog();
    EXPECT_EQ(v.color, stepped);
    EXPECT_EQ(v.custom[0], stepped);
    EXPECT_EQ(std::vector<int>(v.fields, v.fields + 3), std::vector<int>(hsv, hsv + 3));
    ASSERT_TRUE(DriverClickColorDialog(COLORDLG_CUSTOM, 0));
    DriverKey(KEY_RIGHT);
    ASSERT_TRUE(DriverWaitColorDialogView([](const ColorDialogView& s) { return s.custom_selected == 1 && s.color == 0; }));
    DriverKey(KEY_TAB, INPUT_MOD_SHIFT);
    DriverKey(KEY_LEFT);   // no basic swatch marked: the first arrow marks the first one
    ASSERT_TRUE(DriverWaitColorDialogView([](const ColorDialogView& s) { return s.basic_selected == 0 && s.color == 0xFF8080; }));
    DriverKey(KEY_LEFT);
    ASSERT_TRUE(DriverWaitColorDialogView([](const ColorDialogView& s) { return s.basic_selected == 47 && s.color == 0xFFFFFF; }));
    ASSERT_TRUE(DriverClickColorDialog(COLORDLG_BASIC, 28));
    ASSERT_TRUE(DriverClickColorDialog(COLORDLG_OK));
    Done();
    EXPECT_EQ(Colors(), (TextColors{0x0000FF, 0x0000FF, 0x0000FF}));
}

// Each field's label is shown whole, left of its field, pixel for pixel as the label drawn
// alone in the dialog's font: none is clipped by its box, "Green:" included.
TEST_F(DrawCommands, ColorDialogShowsEveryFieldLabelWholeBesideItsField) {
    OpenDialog();
    const WindowId dialog = DriverWaitColorDialog();
    const char16_t* labels[] = {u"Hu&e:", u"&Sat:", u"&Val:", u"&Red:", u"&Green:", u"Bl&ue:"};
    for (int part = COLORDLG_HUE; part <= COLORDLG_BLUE; part++) {
        PlatRect label, box;
        ASSERT_TRUE(PlatColorDialogLabelRect(part, &label) && PlatColorDialogPartRect(part, 0, &box));
        EXPECT_LT(label.right, box.left) << "part " << part;
        Surface* s = nullptr;
        ASSERT_EQ(PlatCreateSurface(&s, RectWidth(label), RectHeight(label), 32), 0);
        DrawContext* dc = PlatCreateMemoryContext(s);
        DialogFill(dc, PlatRect{0, 0, s->width, s->height}, SysColor(SYS_COLOR_FACE));
        PlatSelectFont(dc, PlatGetStockFont(STOCK_GUI_FONT));
        PlatSetBackMode(dc, BACK_TRANSPARENT);
        PlatSetTextColor(dc, SysColor(SYS_COLOR_WINDOW_TEXT));
        DialogLabel(dc, 0, 0, labels[part - COLORDLG_HUE]);
        int differ = 0;
        for (int y = 0; y < s->height; y++)
            for (int x = 0; x < s->width; x++)
                differ += (DriverClientPixel(dialog, label.left + x, label.top + y) ^ ((uint32_t*)SurfaceRow(s, y))[x]) & 0xFFFFFF ? 1 : 0;
        EXPECT_EQ(differ, 0) << "part " << part << ": pixels of its label that differ";
        PlatDeleteContext(dc);
        PlatDestroySurface(s);
    }
    DriverKey(KEY_ESCAPE);
    Done();
}

TEST_F(DrawCommands, PickTakesThePixelOn32And8BitImagesAndKeepsTheCurrentImage) {
    struct Case {
        int index;
        uint32_t draw, tttc;
    } const cases[] = {{DRAWN, 0xA1B2C3, 0xA1B2C3}, {GREY8, 77, 0x336699}};
    ASSERT_TRUE(OnWorker([] {
        PXK_SelectImage(DRAWN);
        PXK_PutPixel(5, 7, 0xA1B2C3);
        PXK_SelectImage(GREY8);
        PXK_Color palette[256];
        PXK_GetPalette(palette);
        palette[77] = 0x336699;
        PXK_SetPalette(palette, 256);
        PXK_PutPixel(5, 7, 77);
        PXK_SelectImage(REFERENCE);
    }));
    for (const Case& c : cases) {
        ASSERT_TRUE(OnWorker([] { pxk_tc = 0x010203; }));
        Command(1052, c.index);
        ClickAt("Click a point", c.index, 5, 7);
        Done();
        EXPECT_EQ(Colors(), (TextColors{c.draw, 0x010203, c.tttc})) << "image " << c.index;
        EXPECT_EQ(Ask<int>([] { return CurrentImageIndex(); }), REFERENCE);
        EXPECT_EQ(Ask<int>([] { return image_history[0].load(); }), GREY8) << "the history is as it was";
    }
    // A right click cancels: nothing changes, and the current image is still the same.
    Command(1052);
    ASSERT_TRUE(DriverWaitFor([] { return StatusWords() == "Click a point"; }));
    const PlatRect client = DriverClientRectScreen(window);
    DriverClick(client.left + 1, client.top + 1, BUTTON_RIGHT);
    Done();
    EXPECT_EQ(Colors().draw, 77u);
    EXPECT_EQ(Ask<int>([] { return CurrentImageIndex(); }), REFERENCE);
}

TEST_F(DrawCommands, EachDrawingCommandDrawsWhatTheOperationDrawsAtTheClickedPoints) {
    struct Case {
        int id;
        int clicks;                // 1 or 2 (the second point of a circle is on it)
        void (*draw)(uint32_t color);
    } const cases[] = {
        {1032, 2, [](uint32_t c) { PXK_DrawLine(c, 30, 25, 4, 6); }},
        {1034, 1, [](uint32_t c) { PXK_DrawLine(c, 0, 25, W - 1, 25); }},
        {1035, 1, [](uint32_t c) { PXK_DrawLine(c, 30, 0, 30, H - 1); }},
        {1036, 2, [](uint32_t) { PXK_DrawBox(4, 6, 30, 25); }},
        {1037, 2, [](uint32_t c) { PXK_DrawFilledBox(4, 6, 30, 25, c, c); }},
        {1038, 2, [](uint32_t) { PXK_XorFillBox(4, 6, 30, 25); }},
        {1039, 2, [](uint32_t c) { PXK_DrawCircle(c, 30, 25, 32); }},   // (26, 19) away: 32.2
        {1040, 2, [](uint32_t) { PXK_FillCircle(30, 25, 32); }},
        {1041, 2, [](uint32_t) { PXK_XorFillCircle(30, 25, 32); }},
        {1043, 1, [](uint32_t) { PXK_Paint(30, 25); }},
    };
    const uint32_t color = 0x20C040;
    for (const Case& c : cases) {
        // The same start in both images: a background with a diagonal that bounds Paint.
        ASSERT_TRUE(OnWorker([=] {
            for (int index : {DRAWN, REFERENCE}) {
                PXK_SelectImage(index);
                PXK_DrawFilledBox(0, 0, W - 1, H - 1, 0x102030, 0x102030);
                PXK_DrawLine(0xFF0000, 0, 10, W - 1, 30);
            }
            PXK_SetDrawColor(color);
            c.draw(color);
        }));
        Command(c.id);
        if (c.clicks == 1) {
            ClickAt("Click a point", DRAWN, 30, 25);
        } else {
            ClickAt("Click the first point", DRAWN, 30, 25);
            ClickAt("Click the second point", DRAWN, 4, 6);
        }
        Done();
        const std::vector<uint32_t> want = Pixels(REFERENCE);
        EXPECT_TRUE(Pixels(DRAWN) == want) << "command " << c.id;
        EXPECT_TRUE(DriverWaitFor([&] {
            int cw = 0, ch = 0;
            std::vector<uint32_t> shown = DriverClientPixels(window, &cw, &ch);
            for (size_t i = 0; i < shown.size() && i < want.size(); i++)
                if ((shown[i] & 0xFFFFFF) != (want[i] & 0xFFFFFF)) return false;
            return shown.size() == want.size();
        })) << "command " << c.id << ": the window does not show it";
    }
}

TEST_F(DrawCommands, DrawTextWritesTheTypedLineAtThePointEvenWhenAnotherImageBecameCurrent) {
    const uint32_t color = 0x4080FF;
    ASSERT_TRUE(OnWorker([=] {
        PXK_SetDrawColor(color);
        PXK_SelectImage(REFERENCE);
        PXK_SetTextPos(6, 20);
        PXK_SetTextColor(color);
        PXK_PrintText("%s", "Hi");
    }));
    const std::vector<uint32_t> want = Pixels(REFERENCE);
    ASSERT_TRUE(OnWorker([] {
        PXK_ClearImage(REFERENCE);
        pxk_tc = 0;
    }));
    const std::vector<uint32_t> blank = Pixels(REFERENCE);
    ASSERT_FALSE(want == blank);

    for (int destroy = 0; destroy < 2; destroy++) {
        Command(1042);
        ClickAt("Click a point", DRAWN, 6, 20);
        ASSERT_TRUE(DriverWaitFor([] { return input_active.load() != 0; }));
        {
            // The prompt "Text>" takes the first five cells of the line being read.
            TextWindowRecord* rec = &text_windows[current_text_window.load()];
            std::lock_guard<LayerMutex> guard(rec->lock);
            EXPECT_EQ(rec->cur_x, 5 * rec->cell_w);
        }
        PlatPostMessage(helper, destroy ? MSG_DESTROY_DRAWN : MSG_SELECT_REFERENCE, 0, 0);
        ASSERT_TRUE(DriverWaitFor([] { return PXK_TextWindowIndex(PlatGetTopLevel(PlatGetFocus())) >= 0; }));
        DriverType("Hi\n");
        Done();
        EXPECT_TRUE(Pixels(REFERENCE) == blank) << "the text went to the image made current meanwhile";
        if (destroy) {
            EXPECT_EQ(Ask<int>([] { return image_table[DRAWN].in_use.load(); }), 0);
            break;
        }
        EXPECT_TRUE(Pixels(DRAWN) == want);
        EXPECT_EQ(Colors().tc, color);
        EXPECT_EQ(Ask<int>([] { return draw_state.text_margin; }), 6);
    }
}

}  // namespace
