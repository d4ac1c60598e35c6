// Dropped files through XDND: a drag source written here as another X client offers a
// text/uri-list; the window that accepts files gets MSG_DROPFILES with decoded local paths,
// and the source is told the drop was taken. Also the uri-list decoding on its own.
#include "x11_fixture.h"

#include <X11/Xatom.h>
#include <atomic>
#include <thread>

using namespace x11test;
using X11Drop = X11Test;

TEST_F(X11Drop, UriListsDecodeToLocalPaths) {
    const char list[] = "# comment\r\nfile:///tmp/a%20b.png\r\nfile://localhost/home/u/%E2%82%AC.bmp\r\n"
                        "http://example.com/x.png\r\nfile://otherhost.invalid/etc/passwd\r\nfile:/short/form\n"
                        "file:///bad%00nul\r\nfile:///end";
    std::vector<std::string> paths = ParseUriList(list, sizeof list - 1);
    std::vector<std::string> want{"/tmp/a b.png", "/home/u/\xe2\x82\xac.bmp", "/short/form", "/end"};
    EXPECT_EQ(paths, want);
}

struct DragResult {
    bool status_accepted = false;
    bool finished_accepted = false;
    bool served = false;
};

// Plays a drag source: enter, position over (x, y), drop, serve the list, wait for Finished.
static DragResult DragFiles(unsigned long target, int x, int y, const std::string& uri_list) {
    DragResult result;
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return result;
    Atom enter = XInternAtom(dpy, "XdndEnter", False), position = XInternAtom(dpy, "XdndPosition", False),
         status = XInternAtom(dpy, "XdndStatus", False), drop = XInternAtom(dpy, "XdndDrop", False),
         finished = XInternAtom(dpy, "XdndFinished", False), selection = XInternAtom(dpy, "XdndSelection", False),
         copy = XInternAtom(dpy, "XdndActionCopy", False), uri = XInternAtom(dpy, "text/uri-list", False);
    Window source = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(dpy, selection, source, CurrentTime);
    auto send = [&](Atom type, long l1, long l2, long l3, long l4) {
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = target;
        ev.xclient.message_type = type;
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = (long)source;
        ev.xclient.data.l[1] = l1;
        ev.xclient.data.l[2] = l2;
        ev.xclient.data.l[3] = l3;
        ev.xclient.data.l[4] = l4;
        XSendEvent(dpy, target, False, NoEventMask, &ev);
        XFlush(dpy);
    };
    send(enter, 5L << 24, (long)uri, 0, 0);
    send(position, 0, ((long)x << 16) | y, CurrentTime, (long)copy);
    uint32_t start = PlatGetTickMs();
    bool dropped = false, done = false;
    while (!done && PlatGetTickMs() - start < 5000) {
        if (!XPending(dpy)) {
            PlatSleepMs(5);
            continue;
        }
        XEvent ev;
        XNextEvent(dpy, &ev);
        if (ev.type == ClientMessage && ev.xclient.message_type == status && !dropped) {
            result.status_accepted = (ev.xclient.data.l[1] & 1) != 0 && (Atom)ev.xclient.data.l[4] == copy;
            send(drop, 0, CurrentTime, 0, 0);
            dropped = true;
        } else if (ev.type == SelectionRequest) {
            XSelectionRequestEvent& req = ev.xselectionrequest;
            XEvent reply{};
            reply.xselection.type = SelectionNotify;
            reply.xselection.requestor = req.requestor;
            reply.xselection.selection = req.selection;
            reply.xselection.target = req.target;
            reply.xselection.time = req.time;
            reply.xselection.property = None;
            if (req.target == uri) {
                XChangeProperty(dpy, req.requestor, req.property, uri, 8, PropModeReplace,
                                (const unsigned char*)uri_list.data(), (int)uri_list.size());
                reply.xselection.property = req.property;
                result.served = true;
            }
            XSendEvent(dpy, req.requestor, False, NoEventMask, &reply);
            XFlush(dpy);
        } else if (ev.type == ClientMessage && ev.xclient.message_type == finished) {
            result.finished_accepted = (ev.xclient.data.l[1] & 1) != 0;
            done = true;
        }
    }
    XDestroyWindow(dpy, source);
    XCloseDisplay(dpy);
    return result;
}

TEST_F(X11Drop, FilesDroppedOnAnAcceptingWindowArriveAsPaths) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    WindowId w = CreateTestWindow(250, 250, 300, 200, u"drop here");
    ASSERT_NE(w, 0u);
    PlatDragAcceptFiles(w, true);
    unsigned long xid = X11NativeWindow(w);
    ASSERT_TRUE(PumpUntil([&] {
        return RunCommand("xprop -id " + std::to_string(xid) + " XdndAware").find("XdndAware(ATOM) = ") != std::string::npos;
    }));
    std::atomic<bool> done{false};
    DragResult result;
    std::thread source([&] {
        result = DragFiles(xid, 400, 350, "file:///tmp/a%20b.png\r\nfile:///tmp/c.bmp\r\n");
        done = true;
    });
    bool finished = PumpUntil([&] {
        std::lock_guard<std::mutex> g(Record().lock);
        return done.load() && Record().drops > 0;
    });
    source.join();
    EXPECT_TRUE(finished);
    EXPECT_TRUE(result.status_accepted);
    EXPECT_TRUE(result.served);
    EXPECT_TRUE(result.finished_accepted);
    std::lock_guard<std::mutex> g(Record().lock);
    EXPECT_EQ(Record().drops, 1);
    EXPECT_EQ(Record().dropped, (std::vector<std::string>{"/tmp/a b.png", "/tmp/c.bmp"}));
}

TEST_F(X11Drop, AWindowThatTakesNoFilesRefusesTheDrag) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    WindowId w = CreateTestWindow(250, 250, 300, 200, u"no drops");
    ASSERT_NE(w, 0u);
    unsigned long xid = X11NativeWindow(w);
    std::atomic<bool> done{false};
    DragResult result;
    std::thread source([&] {
        result = DragFiles(xid, 400, 350, "file:///tmp/x.png\r\n");
        done = true;
    });
    PumpUntil([&] { return done.load(); });
    source.join();
    EXPECT_FALSE(result.status_accepted);
    EXPECT_FALSE(result.served);
    EXPECT_FALSE(result.finished_accepted);
    std::lock_guard<std::mutex> g(Record().lock);
    EXPECT_EQ(Record().drops, 0);
}
