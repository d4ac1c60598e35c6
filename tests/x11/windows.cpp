// The X11 backend's windows as the desktop sees them: placement, properties for the window
// manager, pixels on screen equal to the layer's, repaint of uncovered areas while the
// window's thread is busy, and moves on command.
#include "x11_fixture.h"
#include "platform/system.h"

#include <thread>

using namespace x11test;
using X11Windows = X11Test;

TEST_F(X11Windows, PlacedUndecoratedAndNamedAsAsked) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    WindowId w = CreateTestWindow(100, 200, 320, 240, u"Ünïcode title");
    ASSERT_NE(w, 0u);
    unsigned long xid = X11NativeWindow(w);
    ASSERT_NE(xid, 0ul);
    int x = -1, y = -1;
    EXPECT_TRUE(PumpUntil([&] { return NativeTopLeft(xid, &x, &y) && x == 100 && y == 200; }))
        << "outer top-left is at " << x << "," << y;

    std::string props = RunCommand("xprop -id " + std::to_string(xid));
    EXPECT_NE(props.find("WM_CLASS(STRING) = \"pxk_x11test\", \"pxk_x11test\""), std::string::npos) << props;
    EXPECT_NE(props.find("_NET_WM_NAME(UTF8_STRING) = \"Ünïcode title\""), std::string::npos) << props;
    EXPECT_NE(props.find("WM_NAME"), std::string::npos) << props;
    EXPECT_NE(props.find("_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = 0x2, 0x0, 0x0, 0x0, 0x0"), std::string::npos) << props;
    EXPECT_NE(props.find("user specified location: 100, 200"), std::string::npos) << props;
    EXPECT_NE(props.find("WM_DELETE_WINDOW"), std::string::npos) << props;

    // An owned window is transient for its owner; a title change reaches the server.
    WindowId owned = CreateTestWindow(500, 300, 200, 150, u"owned", STYLE_CAPTION | STYLE_VISIBLE, w);
    ASSERT_NE(owned, 0u);
    char expect[64];
    snprintf(expect, sizeof expect, "WM_TRANSIENT_FOR(WINDOW): window id # 0x%lx", xid);
    EXPECT_TRUE(PumpUntil([&] {
        return RunCommand("xprop -id " + std::to_string(X11NativeWindow(owned))).find(expect) != std::string::npos;
    }));
    PlatSetWindowText(w, u"renamed");
    EXPECT_TRUE(PumpUntil([&] {
        return RunCommand("xprop -id " + std::to_string(xid) + " _NET_WM_NAME").find("\"renamed\"") != std::string::npos;
    }));

    // Moved and resized on command.
    PlatMoveWindow(w, 260, 140, 400, 300);
    EXPECT_TRUE(PumpUntil([&] { return NativeTopLeft(xid, &x, &y) && x == 260 && y == 140; }))
        << "after the move: " << x << "," << y;
    std::string info = RunCommand("xwininfo -id " + std::to_string(xid));
    EXPECT_NE(info.find("Width: 400"), std::string::npos);
    EXPECT_NE(info.find("Height: 300"), std::string::npos);
    PlatDestroyWindow(w);
    EXPECT_TRUE(PumpUntil([&] {
        return RunCommand("xwininfo -id " + std::to_string(xid) + " >/dev/null 2>&1 || echo gone") == "gone\n";
    }));
}

TEST_F(X11Windows, ScreenShowsTheLayersPixels) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    WindowId w = CreateTestWindow(150, 120, 360, 260, u"pixels");
    ASSERT_NE(w, 0u);
    PlatRect c;
    PlatGetClientRect(w, &c);
    FillClient(w, PlatRect{0, 0, c.right, c.bottom}, 0x00204060);
    FillClient(w, PlatRect{10, 10, 110, 60}, 0x00FF0000);
    FillClient(w, PlatRect{50, 40, 200, 180}, 0x0000FF00);
    FillClient(w, PlatRect{c.right - 7, c.bottom - 5, c.right, c.bottom}, 0x000000FF);
    int lw = 0, lh = 0;
    std::vector<uint32_t> layer = LayerPixels(w, &lw, &lh);
    ASSERT_EQ(lw, 360);
    ASSERT_EQ(lh, 260);
    std::vector<uint32_t> shot;
    bool equal = PumpUntil([&] {
        layer = LayerPixels(w, &lw, &lh);
        shot = Screenshot(150, 120, lw, lh);
        return shot == layer;
    });
    ASSERT_EQ(shot.size(), layer.size());
    if (!equal) {
        size_t i = 0;
        while (i < shot.size() && shot[i] == layer[i]) i++;
        ADD_FAILURE() << "first difference at " << i % lw << "," << i / lw << ": screen " << std::hex << shot[i]
                      << " layer " << layer[i];
    }
}

// A colour per 20 x 20 cell that differs in every channel from its neighbours, so that a
// put from the wrong offset, row length or byte order shows.
static uint32_t CellColour(int x, int y) {
    int i = x / 20, j = y / 20;
    return (uint32_t)((i * 37 + 11) & 0xFF) << 16 | (uint32_t)((j * 53 + 7) & 0xFF) << 8 | (uint32_t)((i * j * 29) & 0xFF);
}

// Paints the cells into a popup's client area and waits until the screen equals the layer,
// which must equal the cells; returns the screen's pixels.
static std::vector<uint32_t> ShowCells(WindowId w, int width, int height) {
    PumpUntil([] { return true; });   // the resize's own messages first
    for (int y = 0; y < height; y += 20)
        for (int x = 0; x < width; x += 20) FillClient(w, PlatRect{x, y, x + 20, y + 20}, CellColour(x, y));
    int lw = 0, lh = 0;
    std::vector<uint32_t> layer = LayerPixels(w, &lw, &lh), shot;
    EXPECT_EQ(lw, width);
    EXPECT_EQ(lh, height);
    size_t wrong = 0;
    for (size_t i = 0; i < layer.size(); i++) wrong += layer[i] != CellColour((int)(i % width), (int)(i / width));
    EXPECT_EQ(wrong, 0u) << "layer pixels differ from the cells";
    EXPECT_TRUE(PumpUntil([&] {
        shot = Screenshot(200, 150, lw, lh);
        return shot == layer;
    })) << "the screen differs from the layer at " << width << "x" << height;
    return shot;
}

// With MIT-SHM the server reads the window's pixels in place; without it (a remote display,
// forced here) the backend copies them and puts them with XPutImage. Both show the same
// pixels, before and after a resize gives the window new pixels.
TEST_F(X11Windows, SharedAndCopiedPresentsShowTheSamePixels) {
    unsetenv("PIXKIT_X11_NOSHM");
    ASSERT_NO_FATAL_FAILURE(StartX11());
    std::vector<uint32_t> shown[2][2];
    for (int copied = 0; copied < 2; copied++) {
        SCOPED_TRACE(copied ? "copied" : "shared");
        if (copied) {
            // The same process on a display without MIT-SHM: the backend starts again.
            PlatStopBackend();
            setenv("PIXKIT_X11_NOSHM", "1", 1);
            ASSERT_EQ(PlatBackend()->init(), 0);
        }
        EXPECT_EQ(X11UsesShm(), !copied);
        WindowId w = CreateTestWindow(200, 150, 300, 220, u"", STYLE_POPUP | STYLE_VISIBLE);
        ASSERT_NE(w, 0u);
        PlatRect client, clip;
        Surface* s = LockWindowPixels(w, &client, &clip);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->lent != nullptr, !copied) << "the window's pixels live in a shared segment";
        UnlockWindowPixels(w, nullptr);
        shown[copied][0] = ShowCells(w, 300, 220);
        PlatMoveWindow(w, 200, 150, 420, 260);
        shown[copied][1] = ShowCells(w, 420, 260);
        PlatDestroyWindow(w);
        Created().clear();
    }
    unsetenv("PIXKIT_X11_NOSHM");
    EXPECT_TRUE(shown[0][0] == shown[1][0] && !shown[0][0].empty());
    EXPECT_TRUE(shown[0][1] == shown[1][1] && !shown[0][1].empty());
}

// Covers the window from another client and uncovers it while the window's own thread does
// not pump: the display thread must repaint from the window's pixels by itself.
TEST_F(X11Windows, UncoveredWindowRepaintedWhileItsThreadIsBusy) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    WindowId w = CreateTestWindow(300, 300, 240, 180, u"busy");
    ASSERT_NE(w, 0u);
    PlatRect c;
    PlatGetClientRect(w, &c);
    FillClient(w, PlatRect{0, 0, c.right, c.bottom}, 0x00C03080);
    int lw = 0, lh = 0;
    std::vector<uint32_t> layer;
    ASSERT_TRUE(PumpUntil([&] {
        layer = LayerPixels(w, &lw, &lh);
        return Screenshot(300, 300, lw, lh) == layer;
    }));

    bool repainted = false;
    bool was_covered = false;
    std::thread other([&] {
        Display* dpy = XOpenDisplay(nullptr);
        if (!dpy) return;
        XSetWindowAttributes a{};
        a.override_redirect = True;
        a.background_pixel = 0x00FFFF00;
        Window cover = XCreateWindow(dpy, DefaultRootWindow(dpy), 280, 280, 300, 240, 0, CopyFromParent, InputOutput,
                                     CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
        XMapRaised(dpy, cover);
        XSync(dpy, False);
        uint32_t start = PlatGetTickMs();
        while (PlatGetTickMs() - start < 3000 && !was_covered) {
            std::vector<uint32_t> s = Screenshot(300, 300, 4, 4);
            was_covered = !s.empty() && s[0] == 0x00FFFF00;
        }
        XDestroyWindow(dpy, cover);
        XSync(dpy, False);
        start = PlatGetTickMs();
        while (PlatGetTickMs() - start < 3000 && !repainted) repainted = Screenshot(300, 300, lw, lh) == layer;
        XCloseDisplay(dpy);
    });
    // The window's thread is busy meanwhile: no pumping until the other client is done.
    uint32_t busy_start = PlatGetTickMs();
    other.join();
    while (PlatGetTickMs() - busy_start < 1000) {
    }
    EXPECT_TRUE(was_covered);
    EXPECT_TRUE(repainted);
}

TEST_F(X11Windows, ScreenFacts) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    ScreenInfo info{};
    PlatBackend()->get_screen(&info);
    std::string dims = RunCommand("xdpyinfo 2>/dev/null | grep dimensions");
    if (!dims.empty()) {
        char expect[64];
        snprintf(expect, sizeof expect, "%dx%d pixels", info.width, info.height);
        EXPECT_NE(dims.find(expect), std::string::npos) << dims;
    }
    EXPECT_EQ(info.bits, 32);   // a 24-bit-depth screen stores 32 bits per pixel
    EXPECT_GE(info.work_area.left, 0);
    EXPECT_LE(info.work_area.right, info.width);
    EXPECT_GT(RectWidth(info.work_area), 0);
}

TEST_F(X11Windows, NoDisplayIsAClearFailure) {
    setenv("DISPLAY", ":987", 1);
    unsetenv("PIXKIT_BACKEND");
    EXPECT_EQ(PlatStartBackend(), 2);
    EXPECT_EQ(PlatBackend(), nullptr);
}

// The window manager's side: a move it makes reaches the layer's rectangle, and its close
// request (WM_DELETE_WINDOW) becomes MSG_CLOSE, which the default procedure answers by
// destroying the window.
TEST_F(X11Windows, WindowManagerMovesAndCloseRequestsReachTheLayer) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    WindowId w = CreateTestWindow(120, 130, 300, 200, u"managed");
    ASSERT_NE(w, 0u);
    unsigned long xid = X11NativeWindow(w);
    int x = 0, y = 0;
    ASSERT_TRUE(PumpUntil([&] { return NativeTopLeft(xid, &x, &y); }));
    RunCommand("xdotool windowmove " + std::to_string(xid) + " 640 410");
    PlatRect r{};
    EXPECT_TRUE(PumpUntil([&] {
        PlatGetWindowRect(w, &r);
        return r.left == 640 && r.top == 410;
    })) << r.left << "," << r.top;
    EXPECT_EQ(RectWidth(r), 300);

    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_TRUE(dpy);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = xid;
    ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = (long)XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, xid, False, NoEventMask, &ev);
    XSync(dpy, False);
    XCloseDisplay(dpy);
    EXPECT_TRUE(PumpUntil([&] { return !PlatIsWindow(w); }));
}
