// The font dialog's ways out, on the layer alone: OK gives the choice, and Esc, the close box
// and the window going from another thread give IDCANCEL with the description untouched. Each
// way leaves no dialog published, and no font behind (the build under ASan checks the last).
#include "platform/backend.h"
#include "platform/controls/dialog.h"
#include "platform/controls/font_dialog.h"
#include "platform/driver/driver.h"
#include "platform/window/input.h"
#include "platform/window/window.h"

#include <gtest/gtest.h>

#include <string.h>

#include <thread>

namespace {

FontDesc StartDesc() {
    FontDesc d{};
    memcpy(d.face, u"DejaVu Sans", sizeof u"DejaVu Sans");
    d.height = -13;
    d.weight = 400;
    return d;
}

enum Way { BY_ENTER, BY_ESCAPE, BY_CLOSE_BOX, BY_DESTROY };

void Leave(Way way, WindowId dialog) {
    switch (way) {
    case BY_ENTER: DriverKey(KEY_RETURN); break;
    case BY_ESCAPE: DriverKey(KEY_ESCAPE); break;
    case BY_CLOSE_BOX: PlatPostMessage(dialog, MSG_CLOSE, 0, 0); break;
    case BY_DESTROY: PlatDestroyWindow(dialog); break;
    }
}

TEST(FontDialog, EveryWayOutAnswersAndLeavesNothingOpen) {
    PlatStartHeadless(1920, 1080, 32);
    const struct {
        Way way;
        int result;
        int weight;   // of the description afterwards
    } cases[] = {{BY_ENTER, IDOK, 700}, {BY_ESCAPE, IDCANCEL, 400}, {BY_CLOSE_BOX, IDCANCEL, 400}, {BY_DESTROY, IDCANCEL, 400}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.way);
        FontDesc desc = StartDesc();
        int result = 0;
        std::thread owner([&] { result = PlatChooseFont(0, &desc); });
        const WindowId dialog = DriverWaitFontDialog();
        ASSERT_NE(dialog, 0u);
        // A change of style remakes the sample font before the dialog ends.
        DriverKey('B', INPUT_MOD_ALT);
        ASSERT_TRUE(DriverWaitFontDialogView([](const FontDialogView& v) { return v.bold; }));
        Leave(c.way, dialog);
        owner.join();
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(desc.weight, c.weight);
        EXPECT_EQ(memcmp(desc.face, u"DejaVu Sans", sizeof u"DejaVu Sans"), 0);
        EXPECT_FALSE(PlatIsWindow(dialog));
        EXPECT_EQ(PlatGetOpenFontDialog(), 0u);
        FontDialogView view{};
        EXPECT_FALSE(DriverReadFontDialog(&view));
    }
}

}  // namespace
