// The TrueType commands in the running program: Draw driven with the mouse and the "Text>"
// line, the font dialog driven by keys (a face, bold, a size; and Cancel), and Font Change
// while a Draw runs in another window inside the dialog's pump.
#include <string.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imagewin/image_table.h"
#include "imaging/draw_state.h"
#include "imaging/truetype_commands.h"
#include "platform/controls/font_dialog.h"
#include "platform/font/font.h"
#include "platform/window/input.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/startup_state.h"
#include "support/harness.h"
#include "support/worker_jobs.h"
#include "textwin/text_window.h"

extern "C" void UserSetup(void) { StartRequested.store(1); }

extern "C" void UserMain(void) { ServeJobsUntilExit(); }

namespace {

enum { W = 160, H = 120, REFERENCE = 2 };
enum { MSG_RUN_DRAW = MSG_USER, MSG_RUN_FONT_CHANGE };

// Commands started by messages to a window of the worker, so that they can run inside the
// pump of a dialog that another command holds open (jobs run only between pumps).
std::atomic<int> commands_returned{0};

intptr_t CommandProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    if (msg != MSG_RUN_DRAW && msg != MSG_RUN_FONT_CHANGE) return PlatDefWindowProc(window, msg, wparam, lparam);
    const int index = (int)wparam;
    if (msg == MSG_RUN_DRAW) TrueTypeDrawCommand(image_table[index].window, index);
    else TrueTypeFontChangeCommand(image_table[index].window, index);
    commands_returned.fetch_add(1);
    return 0;
}

std::vector<uint32_t> ImagePixels(int index) {
    return Ask<std::vector<uint32_t>>([=] {
        const uint32_t* p = (const uint32_t*)image_pixels[index];
        return std::vector<uint32_t>(p, p + W * H);
    });
}

FontDesc CurrentDesc() {
    return Ask<FontDesc>([] {
        FontDesc d{};
        PlatGetFontDesc(image_text_font, &d);
        return d;
    });
}

std::u16string Face(const FontDesc& d) { return std::u16string(d.face); }

class TrueTypeCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartProgram());
        for (int i = 0; i < 3; i++)
            ASSERT_EQ(Ask<int>([=] { return PXK_CreateImage(i, "text", 40 + 200 * i, 40, W, H, 100); }), 0);
        commander = Ask<WindowId>([] {
            WindowClassDesc d{"truetype_commands", CommandProc, 0, 0};
            PlatRegisterClass(&d);
            return MakeTopWindow("truetype_commands", 0, 700, 100, 60);
        });
        ASSERT_NE(commander, 0u);
        for (int i = 0; i < 3; i++) windows[i] = Ask<WindowId>([=] { return image_table[i].window; });
    }
    void TearDown() override {
        if (ProgramRunning()) {
            EXPECT_EQ(StopProgram(), 0);
        }
    }

    // Drags out the rectangle of the Draw command on image index and types the line.
    void AnswerDraw(int index, int left, int top, int right, int bottom, const char* line) {
        const PlatRect client = DriverClientRectScreen(windows[index]);
        ASSERT_TRUE(DriverWaitFor([] { return StatusWords() == "Click the first point"; })) << StatusWords();
        DriverClick(client.left + left, client.top + top);
        ASSERT_TRUE(DriverWaitFor([] { return StatusWords() == "Click the second point"; }));
        DriverClick(client.left + right, client.top + bottom);
        ASSERT_TRUE(DriverWaitFor([] { return input_active.load() != 0; }));
        {
            // The prompt "Text>" takes the first five cells of the line being read.
            TextWindowRecord* rec = &text_windows[current_text_window.load()];
            std::lock_guard<LayerMutex> guard(rec->lock);
            EXPECT_EQ(rec->cur_x, 40);
        }
        // Keys go where the focus is when they are typed: into the text window being read.
        ASSERT_TRUE(DriverWaitFor([] { return PXK_TextWindowIndex(PlatGetTopLevel(PlatGetFocus())) >= 0; }));
        DriverType(line);
    }
    // What the same line drawn by the text operations into the reference image looks like.
    std::vector<uint32_t> Reference(int left, int top, int right, int bottom, const char* line) {
        OnWorker([=] {
            PXK_ClearImage(REFERENCE);
            PXK_SelectImage(REFERENCE);
            PXK_SetTextPos(left, bottom);
            PXK_SetTextFontSize(right - left + 1, bottom - top + 1);
            PXK_DrawTrueTypeText(line);
        });
        return ImagePixels(REFERENCE);
    }

    WindowId commander = 0;
    WindowId windows[3] = {};   // of the images; read before any command runs
};

TEST_F(TrueTypeCommands, DrawFitsTheTypedLineToTheDraggedRectangle) {
    const int job = PostJob([] { TrueTypeDrawCommand(image_table[0].window, 0); });
    AnswerDraw(0, 20, 20, 119, 59, "AB\n");
    ASSERT_TRUE(WaitJob(job));
    EXPECT_EQ(Ask<int>([] { return draw_state.text_x; }), 120);
    const std::vector<uint32_t> got = ImagePixels(0);
    int inked = 0;
    for (uint32_t p : got) inked += (p & 0xFFFFFF) != 0;
    EXPECT_GT(inked, 400);
    std::vector<uint32_t> want = Reference(20, 20, 119, 59, "AB");
    EXPECT_TRUE(got == want);
    // The window repainted: at 100% it shows the image's pixels.
    const WindowId window = windows[0];
    for (uint32_t& p : want) p &= 0xFFFFFF;
    EXPECT_TRUE(DriverWaitFor([&] {
        int cw = 0, ch = 0;
        std::vector<uint32_t> shown = DriverClientPixels(window, &cw, &ch);
        for (uint32_t& p : shown) p &= 0xFFFFFF;
        return shown == want;
    })) << "the window does not show the text";
}

TEST_F(TrueTypeCommands, FontDialogTakesAFaceBoldAndASizeByKeysAndCancelKeepsTheFont) {
    int job = PostJob([] { TrueTypeFontChangeCommand(image_table[0].window, 0); });
    ASSERT_NE(DriverWaitFontDialog(), 0u);
    FontDialogView view{};
    ASSERT_TRUE(DriverReadFontDialog(&view));
    EXPECT_STREQ(view.face, "IPAGothic") << "the face \"ＭＳ ゴシック\" resolves to";
    EXPECT_EQ(view.points, 12);
    EXPECT_FALSE(view.bold);
    EXPECT_GT(view.face_count, 5);
    DriverType("dejavu sans m");
    EXPECT_TRUE(DriverWaitFontDialogView([](const FontDialogView& v) { return !strcmp(v.face, "DejaVu Sans Mono"); }));
    DriverKey('B', INPUT_MOD_ALT);
    DriverKey(KEY_TAB);
    DriverType("20");
    EXPECT_TRUE(DriverWaitFontDialogView([](const FontDialogView& v) { return v.bold && v.points == 20; }));
    DriverKey(KEY_RETURN);
    ASSERT_TRUE(WaitJob(job));
    FontDesc d = CurrentDesc();
    EXPECT_EQ(Face(d), u"DejaVu Sans Mono");
    EXPECT_EQ(d.weight, 700);
    EXPECT_EQ(d.height, -27) << "20 points at 96 dpi";
    EXPECT_EQ(d.width, 0);
    EXPECT_EQ(d.italic, 0);
    EXPECT_EQ(Ask<int>([] { return draw_state.tt_line_height; }), 16) << "the line height stays";

    const Font* chosen = Ask<Font*>([] { return image_text_font; });
    job = PostJob([] { TrueTypeFontChangeCommand(image_table[0].window, 0); });
    ASSERT_NE(DriverWaitFontDialog(), 0u);
    ASSERT_TRUE(DriverReadFontDialog(&view));
    EXPECT_STREQ(view.face, "DejaVu Sans Mono");
    EXPECT_TRUE(view.bold);
    EXPECT_EQ(view.points, 20);
    DriverKey(KEY_UP);
    DriverKey('I', INPUT_MOD_ALT);
    EXPECT_TRUE(DriverWaitFontDialogView([](const FontDialogView& v) { return v.italic; }));
    DriverKey(KEY_ESCAPE);
    ASSERT_TRUE(WaitJob(job));
    EXPECT_EQ(Ask<Font*>([] { return image_text_font; }), chosen) << "Cancel changes nothing";

    // The next size change keeps the face and style and takes the new cell.
    ASSERT_TRUE(OnWorker([] { PXK_SetTextFontSize(100, 40); }));
    d = CurrentDesc();
    EXPECT_EQ(Face(d), u"DejaVu Sans Mono");
    EXPECT_EQ(d.weight, 700);
    EXPECT_EQ(d.height, 40);
    EXPECT_EQ(d.width, 50);
}

TEST_F(TrueTypeCommands, ADrawInsideTheFontDialogsPumpUsesTheLiveFontAndASecondDialogIsRefused) {
    const int job = PostJob([] { TrueTypeFontChangeCommand(image_table[0].window, 0); });
    const WindowId dialog = DriverWaitFontDialog();
    ASSERT_NE(dialog, 0u);
    PlatPostMessage(commander, MSG_RUN_FONT_CHANGE, 1, 0);
    ASSERT_TRUE(DriverWaitFor([] { return commands_returned.load() == 1; })) << "a second dialog opened";
    EXPECT_EQ(PlatGetOpenFontDialog(), dialog);

    PlatPostMessage(commander, MSG_RUN_DRAW, 1, 0);
    AnswerDraw(1, 10, 30, 89, 61, "AB\n");
    ASSERT_TRUE(DriverWaitFor([] { return commands_returned.load() == 2; }));
    EXPECT_FALSE(JobDone(job));

    // OK takes the dialog's description: the face it showed, at the size it was opened with.
    const PlatRect box = DriverClientRectScreen(dialog);
    DriverClick(box.left + 4, box.top + 4);
    ASSERT_TRUE(DriverWaitFor([dialog] { return PlatGetFocus() == dialog; }));
    DriverKey(KEY_RETURN);
    ASSERT_TRUE(WaitJob(job));
    const FontDesc d = CurrentDesc();
    EXPECT_EQ(Face(d), u"IPAGothic");
    EXPECT_EQ(d.height, 16);
    EXPECT_EQ(d.width, 8);
    // The Draw used the font of the moment, which the reference makes again from the same face.
    EXPECT_TRUE(ImagePixels(1) == Reference(10, 30, 89, 61, "AB"));
}

}  // namespace
