// The layer's message box: caption and text, centred on the screen, modal on the caller's
// thread with its windows still served, dismissed by Enter, Esc or a click on OK.
#include "platform/backend.h"
#include "platform/controls/dialog.h"
#include "platform/driver/driver.h"
#include "platform/window/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdlib.h>
#include <thread>

namespace {

std::atomic<int> pings{0};

intptr_t PingProc(WindowId w, int msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == MSG_USER) {
        pings.fetch_add(1);
        return 0;
    }
    return PlatDefWindowProc(w, msg, wparam, lparam);
}

class MessageBox : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("PIXKIT_HEADLESS_AUTOANSWER");
        PlatStartHeadless(1920, 1080, 32);
        thread = std::thread([this] {
            static std::once_flag once;
            std::call_once(once, [] {
                WindowClassDesc d{"test_ping", PingProc, 0, 0x00FFFFFF};
                PlatRegisterClass(&d);
            });
            WindowCreate c{};
            c.class_name = "test_ping";
            c.style = STYLE_CAPTION;
            c.width = 100;
            c.height = 60;
            other.store(PlatCreateWindow(&c));
            result.store(PlatMessageBox(0, u"Something failed\nSecond line", u"PIXKIT Error!", MBOX_ICONERROR));
            PlatDestroyWindow(other.load());
        });
        ASSERT_TRUE(DriverWaitFor([] { return PlatGetOpenMessageBox() != 0; }));
        box = PlatGetOpenMessageBox();
        ASSERT_TRUE(DriverWaitIdle());
    }
    void TearDown() override {
        if (PlatGetOpenMessageBox()) DriverKey(KEY_ESCAPE);
        if (thread.joinable()) thread.join();
    }
    std::thread thread;
    std::atomic<int> result{0};
    std::atomic<WindowId> other{0};
    WindowId box = 0;
};

TEST_F(MessageBox, ShowsItsCaptionCentredOnTheScreenAndEnterDismissesIt) {
    EXPECT_EQ(DriverWindowText(box), "PIXKIT Error!");
    PlatRect r = DriverWindowRect(box);
    EXPECT_LE(abs((r.left + r.right) / 2 - 960), 1);
    EXPECT_LE(abs((r.top + r.bottom) / 2 - 540), 1);
    DriverKey(KEY_RETURN);
    thread.join();
    EXPECT_EQ(result.load(), IDOK);
    EXPECT_FALSE(PlatIsWindow(box));
    EXPECT_EQ(PlatGetOpenMessageBox(), 0u);
}

TEST_F(MessageBox, KeepsServingTheThreadsOtherWindowsWhileItWaits) {
    PlatPostMessage(other.load(), MSG_USER, 0, 0);
    EXPECT_TRUE(DriverWaitFor([] { return pings.load() == 1; }));
    EXPECT_TRUE(PlatIsWindow(box));
    DriverKey(KEY_ESCAPE);
    thread.join();
    EXPECT_EQ(result.load(), IDOK);
}

TEST_F(MessageBox, DrawsTheErrorIconAndAClickOnOkDismisses) {
    int w = 0, h = 0;
    std::vector<uint32_t> px = DriverClientPixels(box, &w, &h);
    int red = 0, ok_x = -1, ok_y = -1;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            uint32_t c = px[(size_t)y * (size_t)w + (size_t)x];
            if (c == 0xE81123) red++;
            if (c == 0x0078D7 && ok_x < 0) ok_x = x, ok_y = y;
        }
    EXPECT_GT(red, 200);
    ASSERT_GE(ok_x, 0);
    PlatRect client = DriverClientRectScreen(box);
    // A click beside the button does nothing; one on it dismisses the box.
    DriverClick(client.left + 2, client.top + h - 2);
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_TRUE(PlatIsWindow(box));
    DriverClick(client.left + ok_x + 10, client.top + ok_y + 8);
    thread.join();
    EXPECT_FALSE(PlatIsWindow(box));
}

}  // namespace
