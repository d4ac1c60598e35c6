// Dropped files through XDND: a drag source (xdnd_source.h), another X client, offers a
// text/uri-list; the window that accepts files gets MSG_DROPFILES with decoded local paths,
// and the source is told the drop was taken. Also the uri-list decoding on its own.
#include "x11_fixture.h"
#include "xdnd_source.h"

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
