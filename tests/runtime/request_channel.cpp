// The request channel on the real program, the worker in its idle loop: requests posted from
// the test thread (a thread with a queue of its own, as the main thread is) are carried out by
// the worker in order and each requester gets its own answer, also a request nested in
// another's wait; bad indexes, a slot freed before its load, windows and boxes opened twice;
// a thousand requests in a row; and requests after Start, which are refused instead of hanging.
#include "support/harness.h"
#include "support/image_access.h"
#include "support/program_fixture.h"

#include "boxes/box_windows.h"
#include "boxes/button_box.h"
#include "boxes/input_box.h"
#include "imagewin/image_table.h"
#include "platform/window/window.h"
#include "runtime/request_channel.h"
#include "runtime/run_control.h"
#include "textwin/text_window.h"

#include <gtest/gtest.h>

#include <string.h>

namespace {

using Idle = ProgramTest;

// The inner request of the nested case, made by a window of the test thread whose message
// the outer requester's pump dispatches while the outer request is outstanding.
std::atomic<int> inner_result{-100};

intptr_t NestingProc(WindowId w, int msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == MSG_USER) {
        inner_result.store(RequestCreateImage(3, "inner", 20, 10, 32));
        return 0;
    }
    return PlatDefWindowProc(w, msg, wparam, lparam);
}

TEST_F(Idle, ANestedRequestWaitsForTheOuterOneAndEachGetsItsOwnAnswer) {
    WindowClassDesc d{"test_nesting", NestingProc, 0, 0};
    ASSERT_EQ(PlatRegisterClass(&d), 0);
    WindowId w = MakeTopWindow("test_nesting", 10, 10, 100, 80);
    ASSERT_NE(w, 0u);
    ASSERT_EQ(PlatPostMessage(w, MSG_USER, 0, 0), 0);
    // The outer request creates slot 3; the inner one, carried out after it, finds it in use.
    EXPECT_EQ(RequestCreateImage(3, "outer", 40, 30, 32), REQUEST_DONE);
    EXPECT_EQ(inner_result.load(), REQUEST_SLOT_IN_USE);
    EXPECT_STREQ(image_table[3].title, "outer");
    EXPECT_EQ(image_table[3].width, 40);
    EXPECT_EQ(current_image.load(), 3);
    PlatDestroyWindow(w);
}

TEST_F(Idle, IndexesOutsideTheStoreAnswerFourAndCreateNothing) {
    for (int index : {300, -1, 256, INT32_MIN}) {
        EXPECT_EQ(RequestCreateImage(index, "x", 10, 10, 32), REQUEST_BAD_INDEX) << index;
    }
    EXPECT_EQ(ImagesInUse(), 0);
    EXPECT_EQ(request_channel.code.load(), REQ_NONE);
}

TEST_F(Idle, ALoadIntoASlotFreedMeanwhileAnswersTwoAndLeavesTheHistory) {
    ASSERT_EQ(RequestCreateImage(0, "000", 10, 10, 32), REQUEST_DONE);
    ASSERT_EQ(RequestCreateImage(1, "001", 10, 10, 32), REQUEST_DONE);
    int history[IMAGE_HISTORY];
    for (int i = 0; i < IMAGE_HISTORY; i++) history[i] = image_history[i].load();
    EXPECT_EQ(RequestLoadImageFile(5, "/nonexistent.png"), REQUEST_SLOT_FREED);
    EXPECT_EQ(current_image.load(), 1);
    for (int i = 0; i < IMAGE_HISTORY; i++) EXPECT_EQ(image_history[i].load(), history[i]) << i;
    // The pop after a paste or a drop goes through the worker as well.
    RequestSelectPreviousImage();
    EXPECT_EQ(current_image.load(), 0);
}

TEST_F(Idle, AnOpenTextWindowComesForwardWithoutARequestAndBoxesAreReplaced) {
    RequestOpenTextWindow(0);
    RequestOpenTextWindow(2);
    ASSERT_TRUE(text_windows[0].is_open.load() && text_windows[2].is_open.load());
    EXPECT_EQ(current_text_window.load(), 2);
    RequestOpenTextWindow(0);
    EXPECT_EQ(current_text_window.load(), 2);
    EXPECT_EQ(PlatGetForegroundWindow(), text_windows[0].hwnd.load());
    RequestOpenTextWindow(256);   // nothing, and still completes

    RequestOpenInputBox(3);
    WindowId first = input_box.load();
    ASSERT_NE(first, 0u);
    EXPECT_EQ(item_count.load(), 3);
    RequestOpenInputBox(5);
    EXPECT_NE(input_box.load(), first);
    EXPECT_FALSE(PlatIsWindow(first));
    EXPECT_EQ(item_count.load(), 5);

    RequestOpenButtonBox(2, 3);
    WindowId grid = button_box.load();
    EXPECT_EQ(button_count.load(), 6);
    // Grids the box cannot make leave the old one in place.
    for (auto bad : {std::pair{0, 4}, std::pair{4, -1}, std::pair{17, 16}}) {
        RequestOpenButtonBox(bad.first, bad.second);
        EXPECT_EQ(button_box.load(), grid);
    }
    RequestOpenButtonBox(4, 1);
    EXPECT_NE(button_box.load(), grid);
    EXPECT_EQ(button_count.load(), 4);
}

// Two threads hand a thousand requests over; every answer is the one of its own request.
TEST_F(Idle, AThousandRequestsInARowAreEachCarriedOut) {
    for (int i = 0; i < 1000; i++) {
        if (i % 100 == 0) {
            char title[16];
            snprintf(title, sizeof title, "%03d", i / 100);
            ASSERT_EQ(RequestCreateImage(i / 100, title, 8, 8, 32), REQUEST_DONE) << i;
            continue;
        }
        int expected = i % 2 ? REQUEST_BAD_INDEX : REQUEST_SLOT_IN_USE;
        ASSERT_EQ(RequestCreateImage(i % 2 ? 300 : (i / 100), "x", 8, 8, 32), expected) << i;
        if (i % 10 == 0) RequestRedrawImage(i / 100);
    }
    EXPECT_EQ(ImagesInUse(), 10);
}

TEST_F(Idle, AfterStartRequestsAreRefusedInsteadOfWaitingForEver) {
    ASSERT_TRUE(PressMenuBarItem(0));
    ASSERT_TRUE(DriverWaitFor([] { return worker_stage.load() == WORKER_MAIN; }));
    EXPECT_EQ(RequestCreateImage(0, "000", 10, 10, 32), REQUEST_NOT_CARRIED_OUT);
    RequestOpenTextWindow(0);
    EXPECT_EQ(ImagesInUse(), 0);
    EXPECT_FALSE(text_windows[0].is_open.load());
    EXPECT_EQ(request_channel.code.load(), REQ_NONE);
}

}  // namespace
