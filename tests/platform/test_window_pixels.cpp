// A top-level window's pixels before its procedure has painted: the client area holds the
// class background from creation on, and the part a resize adds holds it too, so the backend
// is never handed garbage to show.
#include "platform/backend.h"
#include "support/top_window.h"
#include "platform/system.h"
#include "platform/window/window.h"
#include "platform/window/window_pixels.h"

#include <gtest/gtest.h>

namespace {

const uint32_t kBackground = 0x00123456;

// Pixels of the rectangle (surface coordinates) that differ from the background.
int Different(WindowId w, const PlatRect& r) {
    PlatRect client, clip;
    Surface* s = LockWindowPixels(w, &client, &clip);
    if (!s) return -1;
    int n = 0;
    for (int y = r.top; y < r.bottom; y++)
        for (int x = r.left; x < r.right; x++) n += ((const uint32_t*)SurfaceRow(s, y))[x] != kBackground;
    UnlockWindowPixels(w, nullptr);
    return n;
}

PlatRect ClientInSurface(WindowId w) {
    PlatRect client{}, clip;
    if (LockWindowPixels(w, &client, &clip)) UnlockWindowPixels(w, nullptr);
    return client;
}

}  // namespace

TEST(WindowPixels, UnpaintedAreasHoldTheClassBackground) {
    ASSERT_EQ(PlatStartHeadless(1920, 1080, 32), 0);
    WindowClassDesc desc{"test_unpainted", PlatDefWindowProc, 0, kBackground};
    ASSERT_EQ(PlatRegisterClass(&desc), 0);
    WindowId w = MakeTopWindow("test_unpainted", 50, 60, 200, 150, STYLE_CAPTION | STYLE_VISIBLE, u"unpainted");
    ASSERT_NE(w, 0u);
    // No message has been pumped: nothing has painted or erased the client area.
    PlatRect client = ClientInSurface(w);
    ASSERT_GT(RectWidth(client), 0);
    EXPECT_EQ(Different(w, client), 0);

    // Growing keeps the old pixels; everything new in the client area is background.
    ASSERT_EQ(PlatMoveWindow(w, 50, 60, 320, 260), 0);
    client = ClientInSurface(w);
    EXPECT_EQ(Different(w, PlatRect{200, client.top, client.right, client.bottom}), 0);
    EXPECT_EQ(Different(w, PlatRect{client.left, 150, client.right, client.bottom}), 0);
    PlatDestroyWindow(w);
}
