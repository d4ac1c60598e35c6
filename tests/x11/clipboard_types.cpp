// Typed clipboard content between this program and other X clients: an offer of several
// image types as xclip sees it, reads that take the first type the owner lists in the
// caller's order (a PNG-only owner, a 144 MB bitmap by INCR, an owner that took over a
// moment ago), and text that outlives the program through a clipboard manager.
#include "x11_fixture.h"
#include "platform/clipboard.h"

#include <X11/Xatom.h>
#include <future>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace x11test;
using X11ClipboardTypes = X11Test;

static std::string TempPath(const char* name) {
    return "/tmp/pixkit-x11-" + std::to_string(getpid()) + "-" + name;
}

// Bytes no two tests share by chance.
static std::string Pattern(size_t size, uint32_t seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; i++) {
        seed = seed * 1664525u + 1013904223u;
        bytes[i] = (char)(seed >> 24);
    }
    return bytes;
}

static std::string Clip(const char* args) { return RunCommand(std::string("xclip -selection clipboard ") + args); }

// xclip offers the file under one type; it serves one request for the data and ends.
static void OfferWithXclip(const std::string& path, const char* type) {
    std::string cmd = "timeout 60 xclip -quiet -loops 1 -selection clipboard -t " + std::string(type) + " -i " + path +
                      " >/dev/null 2>&1 &";
    ASSERT_EQ(system(cmd.c_str()), 0);
}

static bool ReadTyped(std::vector<const char*> types, std::string* type, std::string* bytes) {
    char name[CLIP_TYPE_MAX];
    size_t size = 0;
    uint8_t* data = PlatReadClipboard(types.data(), (int)types.size(), name, &size);
    if (!data) return false;
    *type = name;
    bytes->assign((const char*)data, size);
    free(data);
    return true;
}

TEST_F(X11ClipboardTypes, AnImageOfferListsItsTypesAndServesEachExactly) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    std::string png = Pattern(3 * 1024 * 1024 + 17, 1);   // beyond one request: goes by INCR
    std::string bmp = Pattern(1000, 2);
    const uint8_t* b = (const uint8_t*)bmp.data();
    ClipOffer offers[] = {{"image/png", (const uint8_t*)png.data(), png.size()},
                          {"image/bmp", b, bmp.size()},
                          {"image/x-bmp", b, bmp.size()},
                          {"image/x-MS-bmp", b, bmp.size()}};
    ASSERT_EQ(PlatOfferClipboard(offers, 4), 0);
    std::string targets = Clip("-o -t TARGETS");
    for (const char* want : {"TARGETS\n", "TIMESTAMP\n", "MULTIPLE\n", "image/png\n", "image/bmp\n", "image/x-bmp\n",
                             "image/x-MS-bmp\n"})
        EXPECT_NE(targets.find(want), std::string::npos) << want << " missing in\n" << targets;
    EXPECT_EQ(targets.find("UTF8_STRING"), std::string::npos) << targets;
    EXPECT_TRUE(Clip("-o -t image/png") == png);
    EXPECT_TRUE(Clip("-o -t image/x-MS-bmp") == bmp);
    // Our own content reads back in the caller's order without the server.
    std::string type, bytes;
    ASSERT_TRUE(ReadTyped({"image/jpeg", "image/bmp", "image/png"}, &type, &bytes));
    EXPECT_EQ(type, "image/bmp");
    EXPECT_TRUE(bytes == bmp);
}

// Makes us the owner of a small text and waits until xclip has taken the clipboard over.
static void HandOverToXclip(const std::string& path, const char* type) {
    const char before[] = "ours";
    ASSERT_EQ(PlatSetClipboard(CLIP_TEXT, before, sizeof before), 0);
    ASSERT_NO_FATAL_FAILURE(OfferWithXclip(path, type));
    std::string listed = std::string("\n") + type + "\n";
    ASSERT_TRUE(PumpUntil([&] { return ("\n" + Clip("-o -t TARGETS")).find(listed) != std::string::npos; }));
}

TEST_F(X11ClipboardTypes, APngOnlyOwnerIsReadThroughItsTargets) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    std::string png = Pattern(5000, 3);
    std::string path = TempPath("only.png");
    ASSERT_TRUE(WriteFileBytes(path, png));
    ASSERT_NO_FATAL_FAILURE(HandOverToXclip(path, "image/png"));
    std::string type, bytes;
    EXPECT_FALSE(ReadTyped({"image/bmp", "UTF8_STRING"}, &type, &bytes));
    ASSERT_TRUE(ReadTyped({"image/bmp", "image/x-bmp", "image/x-MS-bmp", "image/png"}, &type, &bytes));
    EXPECT_EQ(type, "image/png");
    EXPECT_TRUE(bytes == png);
    unlink(path.c_str());
}

TEST_F(X11ClipboardTypes, A144MegabyteBitmapArrivesWhole) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    // An 8000 x 6000 picture at 24 bits as a BMP file.
    std::string bmp = Pattern(54 + (size_t)8000 * 3 * 6000, 4);
    bmp[0] = 'B';
    bmp[1] = 'M';
    std::string path = TempPath("big.bmp");
    ASSERT_TRUE(WriteFileBytes(path, bmp));
    ASSERT_NO_FATAL_FAILURE(HandOverToXclip(path, "image/bmp"));
    std::string type, bytes;
    ASSERT_TRUE(ReadTyped({"image/bmp", "image/png"}, &type, &bytes));
    EXPECT_EQ(type, "image/bmp");
    ASSERT_EQ(bytes.size(), bmp.size());
    EXPECT_TRUE(bytes == bmp);
    unlink(path.c_str());
}

// A clipboard manager in few lines: it owns CLIPBOARD_MANAGER; asked to SAVE_TARGETS it
// fetches the owner's UTF8_STRING (and a type nobody offers) in one MULTIPLE request, answers,
// owns CLIPBOARD itself and serves the text to one reader. Opened without the claim, it is
// just another client that takes the clipboard over.
struct TinyManager {
    Display* dpy = nullptr;
    Window window = 0;
    Atom clipboard, manager, save_targets, multiple, atom_pair, targets, utf8, missing, pairs, text_prop, none_prop;
    std::string saved;
    bool missing_refused = false;
    bool served = false;

    bool Open() {
        dpy = XOpenDisplay(nullptr);
        if (!dpy) return false;
        window = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
        const char* names[] = {"CLIPBOARD", "CLIPBOARD_MANAGER", "SAVE_TARGETS", "MULTIPLE", "ATOM_PAIR", "TARGETS",
                               "UTF8_STRING", "image/none", "PAIRS", "SAVED_TEXT", "SAVED_NONE"};
        Atom* slots[] = {&clipboard, &manager, &save_targets, &multiple, &atom_pair, &targets,
                         &utf8, &missing, &pairs, &text_prop, &none_prop};
        for (int i = 0; i < 11; i++) *slots[i] = XInternAtom(dpy, names[i], False);
        return true;
    }

    bool Claim() {
        if (!Open()) return false;
        XSetSelectionOwner(dpy, manager, window, CurrentTime);
        XSync(dpy, False);
        return XGetSelectionOwner(dpy, manager) == window;
    }

    // The next event, waiting at most until the test's bound.
    bool Next(XEvent* ev, int type) {
        uint32_t start = PlatGetTickMs();
        for (;;) {
            while (XPending(dpy)) {
                XNextEvent(dpy, ev);
                if (ev->type == type) return true;
            }
            int left = 10000 - (int)(PlatGetTickMs() - start);
            if (left <= 0) return false;
            pollfd p{ConnectionNumber(dpy), POLLIN, 0};
            poll(&p, 1, left);
        }
    }

    std::string Property(Atom prop) {
        Atom type;
        int bits;
        unsigned long n, after;
        unsigned char* data = nullptr;
        std::string out;
        if (XGetWindowProperty(dpy, window, prop, 0, 1 << 20, False, AnyPropertyType, &type, &bits, &n, &after,
                               &data) == Success && data)
            out.assign((const char*)data, n * (bits == 32 ? sizeof(long) : 1));
        if (data) XFree(data);
        return out;
    }

    void Reply(const XSelectionRequestEvent& req, Atom property) {
        XEvent reply{};
        reply.xselection.type = SelectionNotify;
        reply.xselection.requestor = req.requestor;
        reply.xselection.selection = req.selection;
        reply.xselection.target = req.target;
        reply.xselection.property = property;
        reply.xselection.time = req.time;
        XSendEvent(dpy, req.requestor, False, NoEventMask, &reply);
        XFlush(dpy);
    }

    void Run() {
        XEvent ev;
        if (!Next(&ev, SelectionRequest) || ev.xselectionrequest.target != save_targets) return;
        XSelectionRequestEvent save = ev.xselectionrequest;
        long list[4] = {(long)utf8, (long)text_prop, (long)missing, (long)none_prop};
        XChangeProperty(dpy, window, pairs, atom_pair, 32, PropModeReplace, (unsigned char*)list, 4);
        XConvertSelection(dpy, clipboard, multiple, pairs, window, CurrentTime);
        if (!Next(&ev, SelectionNotify) || ev.xselection.property != pairs) return;
        saved = Property(text_prop);
        std::string answered = Property(pairs);
        missing_refused = answered.size() == 4 * sizeof(long) && ((const long*)answered.data())[2] == None;
        Reply(save, save.property);
        TakeClipboard();
        ServeText();
    }

    void TakeClipboard() {
        XSetSelectionOwner(dpy, clipboard, window, CurrentTime);
        XSync(dpy, False);
    }

    void ServeText() {
        XEvent ev;
        while (!served && Next(&ev, SelectionRequest)) {
            const XSelectionRequestEvent& req = ev.xselectionrequest;
            if (req.target == targets) {
                Atom offered[2] = {targets, utf8};
                XChangeProperty(dpy, req.requestor, req.property, XA_ATOM, 32, PropModeReplace,
                                (unsigned char*)offered, 2);
            } else if (req.target == utf8) {
                XChangeProperty(dpy, req.requestor, req.property, utf8, 8, PropModeReplace,
                                (const unsigned char*)saved.data(), (int)saved.size());
                served = true;
            }
            Reply(req, req.target == targets || req.target == utf8 ? req.property : None);
        }
    }
};

// The program is a child process that copies a text and ends through exit(), as every
// program does; the manager, claimed before, keeps the text for xclip.
TEST_F(X11ClipboardTypes, CopiedTextOutlivesTheProgramThroughAClipboardManager) {
    const char* display = getenv("DISPLAY");
    ASSERT_TRUE(display && *display) << "DISPLAY is not set: run the X11 tests through scripts/test.sh (Xvfb)";
    TinyManager manager;
    ASSERT_TRUE(manager.Claim());
    const char text[] = "kept after the end \xe2\x82\xac";
    fflush(nullptr);   // the child's exit must not print the test's output again
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        unsetenv("PIXKIT_BACKEND");
        if (PlatStartBackend() != 0 || PlatSetClipboard(CLIP_TEXT, text, sizeof text) != 0) _exit(2);
        exit(0);
    }
    std::thread serve([&] { manager.Run(); });
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::string after = Clip("-o -t UTF8_STRING");
    serve.join();
    XCloseDisplay(manager.dpy);
    EXPECT_EQ(manager.saved, std::string(text));
    EXPECT_TRUE(manager.missing_refused);
    EXPECT_EQ(after, std::string(text));
}

// Another client takes the clipboard over and is read at once: the text is its own, though
// our display thread may not have heard yet that we lost the clipboard.
TEST_F(X11ClipboardTypes, AReadRightAfterAnotherClientTookOverGetsItsText) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    const char before[] = "ours";
    ASSERT_EQ(PlatSetClipboard(CLIP_TEXT, before, sizeof before), 0);
    TinyManager other;
    ASSERT_TRUE(other.Open());
    other.saved = "theirs";
    // The serving thread waits to start, so that the read follows the take-over at once.
    std::promise<void> taken;
    std::future<void> go = taken.get_future();
    std::thread serve([&] {
        go.wait();
        other.ServeText();
    });
    other.TakeClipboard();
    taken.set_value();
    std::string type, bytes;
    bool read = ReadTyped({"UTF8_STRING"}, &type, &bytes);
    serve.join();
    XCloseDisplay(other.dpy);
    EXPECT_TRUE(read);
    EXPECT_EQ(type, "UTF8_STRING");
    EXPECT_EQ(bytes, "theirs");
}
