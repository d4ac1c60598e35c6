// Where native windows are and what they show, against the window manager: the layer's
// rectangle holds after resizes that do not fit the screen and for windows made again at
// the place the layer reports, windows the user may not resize
// carry equal minimum and maximum size hints, late echoes of the program's own moves leave
// the layer's rectangle alone, and a new window shows its class background before it paints.
#include "x11_fixture.h"

using namespace x11test;
using X11Placement = X11Test;

namespace {

const uint32_t kBackground = 0x003366CC;

// Waits for a condition without pumping the calling thread's messages, so that windows of
// this thread get no chance to paint meanwhile. Each try asks the server (xwininfo and the
// like), which paces the loop.
bool WaitWithoutPumping(const std::function<bool()>& cond, int tries = 100) {
    for (int i = 0; i < tries; i++)
        if (cond()) return true;
    return false;
}

bool LayerAndServerAt(WindowId w, int x, int y) {
    PlatRect r{};
    int nx = -1, ny = -1;
    PlatGetWindowRect(w, &r);
    return r.left == x && r.top == y && NativeTopLeft(X11NativeWindow(w), &nx, &ny) && nx == x && ny == y;
}

// "layer x,y server x,y": where the layer and the server have the window.
std::string Where(WindowId w) {
    PlatRect r{};
    int nx = -1, ny = -1;
    PlatGetWindowRect(w, &r);
    NativeTopLeft(X11NativeWindow(w), &nx, &ny);
    return "layer " + std::to_string(r.left) + "," + std::to_string(r.top) + " server " + std::to_string(nx) + "," +
           std::to_string(ny);
}

// A ConfigureNotify as a window manager sends it, reporting the window at (x, y).
void SendConfigureNotify(WindowId w, int x, int y, int width, int height) {
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_TRUE(dpy);
    XEvent ev{};
    ev.xconfigure.type = ConfigureNotify;
    ev.xconfigure.event = X11NativeWindow(w);
    ev.xconfigure.window = X11NativeWindow(w);
    ev.xconfigure.x = x;
    ev.xconfigure.y = y;
    ev.xconfigure.width = width;
    ev.xconfigure.height = height;
    XSendEvent(dpy, X11NativeWindow(w), False, StructureNotifyMask, &ev);
    XSync(dpy, False);
    XCloseDisplay(dpy);
}

}  // namespace

// Openbox pushes a window that does not fit below its position up onto the screen; the
// layer's position holds after each resize, and going back to the first size does not move
// the window (as zooming an image window back to 100% must not).
TEST_F(X11Placement, ResizesThatDoNotFitKeepThePosition) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    WindowId w = CreateTestWindow(300, 600, 320, 200, u"tall");
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(PumpUntil([&] { return LayerAndServerAt(w, 300, 600); }));
    const int heights[] = {900, 200, 1000, 300};
    for (int h : heights) {
        PlatMoveWindow(w, 300, 600, 320, h);
        EXPECT_TRUE(PumpUntil([&] {
            return LayerAndServerAt(w, 300, 600) &&
                   RunCommand("xwininfo -id " + std::to_string(X11NativeWindow(w))).find(
                       "Height: " + std::to_string(h) + "\n") != std::string::npos;
        })) << "after the resize to height " << h;
    }
}

// The size hints of a window without a size frame pin its size, and follow it when the
// program resizes it; a window with a size frame has none.
TEST_F(X11Placement, FixedSizeWindowsHaveEqualMinimumAndMaximum) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    WindowId fixed = CreateTestWindow(100, 100, 330, 210, u"fixed");
    WindowId sizable =
        CreateTestWindow(500, 100, 300, 200, u"sizable", STYLE_CAPTION | STYLE_SIZEFRAME | STYLE_VISIBLE);
    ASSERT_TRUE(fixed && sizable);
    auto hints = [](WindowId w) {
        return RunCommand("xprop -id " + std::to_string(X11NativeWindow(w)) + " WM_NORMAL_HINTS");
    };
    EXPECT_TRUE(PumpUntil([&] {
        std::string h = hints(fixed);
        return h.find("minimum size: 330 by 210") != std::string::npos &&
               h.find("maximum size: 330 by 210") != std::string::npos;
    })) << hints(fixed);
    PlatMoveWindow(fixed, 100, 100, 410, 250);
    EXPECT_TRUE(PumpUntil([&] {
        std::string h = hints(fixed);
        return h.find("minimum size: 410 by 250") != std::string::npos &&
               h.find("maximum size: 410 by 250") != std::string::npos;
    })) << hints(fixed);
    std::string s;
    EXPECT_TRUE(PumpUntil([&] { return (s = hints(sizable)).find("user specified size: 300 by 200") != std::string::npos; }))
        << s;
    EXPECT_EQ(s.find("minimum size"), std::string::npos) << s;
    EXPECT_EQ(s.find("maximum size"), std::string::npos) << s;

    // A size another client asks for does not stay: the window manager refuses it for the
    // fixed window, and the layer undoes it for the other, whose size the layer's frame sets.
    auto native_size = [](WindowId w) {
        std::string info = RunCommand("xwininfo -id " + std::to_string(X11NativeWindow(w)));
        const char* wp = strstr(info.c_str(), "Width:");
        const char* hp = strstr(info.c_str(), "Height:");
        return wp && hp ? std::to_string(atoi(wp + 6)) + "x" + std::to_string(atoi(hp + 7)) : std::string();
    };
    // Both windows are first where the program put them: the manager may map them late.
    ASSERT_TRUE(PumpUntil([&] { return native_size(fixed) == "410x250" && native_size(sizable) == "300x200"; }))
        << native_size(fixed) << " " << native_size(sizable);
    for (WindowId w : {fixed, sizable}) RunCommand("xdotool windowsize " + std::to_string(X11NativeWindow(w)) + " 520 430");
    EXPECT_TRUE(PumpUntil([&] { return native_size(sizable) == "300x200"; })) << native_size(sizable);
    EXPECT_EQ(native_size(fixed), "410x250");
}

// A burst of moves ends where the last one asked, on the server and in the layer; an echo of
// an earlier move that the window manager delivers late changes nothing, while a position
// the program never asked for is the manager's and reaches the layer.
TEST_F(X11Placement, EchoesOfEarlierMovesLeaveTheLayerAlone) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    WindowId w = CreateTestWindow(100, 100, 240, 160, u"burst");
    WindowId marker = CreateTestWindow(900, 500, 200, 120, u"marker");
    ASSERT_TRUE(w && marker);
    ASSERT_TRUE(PumpUntil([&] { return LayerAndServerAt(w, 100, 100) && LayerAndServerAt(marker, 900, 500); }));
    for (int i = 1; i <= 40; i++) PlatMoveWindow(w, 100 + 7 * i, 100 + 5 * i, 240, 160);
    const int last_x = 100 + 7 * 40, last_y = 100 + 5 * 40;
    EXPECT_TRUE(PumpUntil([&] { return LayerAndServerAt(w, last_x, last_y); }));

    // Events come in order: once the marker's new position has reached the layer, so has
    // the late echo sent before it.
    SendConfigureNotify(w, 100 + 7 * 20, 100 + 5 * 20, 240, 160);
    SendConfigureNotify(marker, 950, 520, 200, 120);
    PlatRect m{};
    EXPECT_TRUE(PumpUntil([&] {
        PlatGetWindowRect(marker, &m);
        return m.left == 950 && m.top == 520;
    })) << m.left << "," << m.top;
    EXPECT_TRUE(LayerAndServerAt(w, last_x, last_y));
}

// The first pixels of a new window are its class background, before its thread has painted
// anything, even over another window's pixels.
TEST_F(X11Placement, NewWindowShowsItsClassBackgroundBeforeItPaints) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    WindowClassDesc desc{"pxk_x11background", PlatDefWindowProc, 0, kBackground};
    ASSERT_EQ(PlatRegisterClass(&desc), 0);
    WindowId under = CreateTestWindow(400, 300, 360, 260, u"under");
    ASSERT_NE(under, 0u);
    PlatRect c;
    PlatGetClientRect(under, &c);
    FillClient(under, c, 0x00FF0000);
    ASSERT_TRUE(PumpUntil([&] { return LayerAndServerAt(under, 400, 300) && X11WaitPresented(2000); }));

    WindowId fresh = MakeTopWindow("pxk_x11background", 400, 300, 360, 260, STYLE_CAPTION | STYLE_VISIBLE, u"fresh");
    ASSERT_NE(fresh, 0u);
    Created().push_back(fresh);
    int x = -1, y = -1;
    ASSERT_TRUE(WaitWithoutPumping([&] { return NativeTopLeft(X11NativeWindow(fresh), &x, &y); }));
    ASSERT_TRUE(X11WaitPresented(2000));
    PlatPoint origin{0, 0};
    PlatClientToScreen(fresh, &origin);
    PlatRect client;
    PlatGetClientRect(fresh, &client);
    std::vector<uint32_t> shot = Screenshot(origin.x, origin.y, RectWidth(client), RectHeight(client));
    ASSERT_EQ(shot.size(), (size_t)RectWidth(client) * RectHeight(client));
    size_t other = 0;
    for (uint32_t p : shot) other += p != kBackground;
    EXPECT_EQ(other, 0u) << "first pixel " << std::hex << shot[0];
}


// A window that does not fit below its place (a picture taller than the screen at y = 300)
// stays where the program put it through steps that grow and shrink it and through being
// made again at the place the layer reports, as a resize of an image does. Openbox pushes
// such a window onto the screen when it maps or grows it, and may report that placement
// again after it has read our request to undo it; taking that late report as the manager's
// last word moved about one remade window in four to the top of the screen.
TEST_F(X11Placement, GrownAndRemadeWindowsKeepTheProgramsPlace) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    const uint32_t image_style = STYLE_CAPTION | STYLE_SYSMENU | STYLE_SIZEFRAME | STYLE_VISIBLE;
    const WindowId owner = CreateTestWindow(600, 0, 300, 200, u"owner");
    WindowId w = CreateTestWindow(0, 300, 1358, 1100, u"sheet", image_style, owner);
    ASSERT_TRUE(owner && w);
    ASSERT_TRUE(PumpUntil([&] { return LayerAndServerAt(w, 0, 300); }));
    for (int step = 0; step < 24; step++) {
        const int width = 1358 - 10 * (step % 5), height = 1060 + 10 * (step % 4);
        if (step % 2) {
            PlatSetWindowPos(w, 0, 0, width, height + 60, MOVE_NOMOVE | MOVE_NOZORDER | MOVE_SHOW);
        } else {
            PlatRect r{};
            PlatGetWindowRect(w, &r);
            PlatDestroyWindow(w);
            Created().pop_back();
            w = CreateTestWindow(r.left, r.top, width, height, u"sheet", image_style, owner);
            ASSERT_NE(w, 0u);
            PlatSetForegroundWindow(w);
        }
        ASSERT_TRUE(PumpUntil([&] { return LayerAndServerAt(w, 0, 300); })) << "step " << step << ": " << Where(w);
    }
}
