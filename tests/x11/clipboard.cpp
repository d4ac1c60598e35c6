// The clipboard as other X clients see it (xclip): text both ways with conversion between
// UTF-8 and UTF-16, large texts through INCR, bitmaps as image/bmp files, and a bounded
// wait when the owner never answers.
#include "x11_fixture.h"
#include "platform/clipboard.h"

#include <thread>

using namespace x11test;
using X11Clipboard = X11Test;

static std::string TempPath(const char* name) {
    return "/tmp/pixkit-x11-" + std::to_string(getpid()) + "-" + name;
}

// Offers a file on the clipboard from xclip, which serves one request and ends.
static void OfferWithXclip(const std::string& path, const char* type) {
    std::string cmd = "timeout 20 xclip -quiet -loops 1 -selection clipboard -t " + std::string(type) + " -i " + path +
                      " >/dev/null 2>&1 &";
    ASSERT_EQ(system(cmd.c_str()), 0);
}

// Waits until the clipboard holds something other than `before` (xclip takes the selection
// a moment after it starts).
static std::vector<uint8_t> WaitForClipboard(int format, const std::vector<uint8_t>& before) {
    std::vector<uint8_t> got;
    PumpUntil([&] {
        size_t size = 0;
        uint8_t* bytes = PlatGetClipboard(format, &size);
        if (!bytes) return false;
        got.assign(bytes, bytes + size);
        free(bytes);
        return got != before;
    });
    return got;
}

static std::vector<uint8_t> Current(int format) {
    size_t size = 0;
    std::vector<uint8_t> v;
    if (uint8_t* bytes = PlatGetClipboard(format, &size)) {
        v.assign(bytes, bytes + size);
        free(bytes);
    }
    return v;
}

TEST_F(X11Clipboard, TextGoesOutAsUtf8AndComesBackAsUtf16) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    const char text[] = "gr\xc3\xbc\xc3\x9f" "e\n2 \xe2\x82\xac";
    ASSERT_EQ(PlatSetClipboard(CLIP_TEXT, text, sizeof text), 0);
    EXPECT_EQ(RunCommand("xclip -o -selection clipboard -t UTF8_STRING"), std::string(text));
    std::string targets = RunCommand("xclip -o -selection clipboard -t TARGETS");
    EXPECT_NE(targets.find("UTF8_STRING"), std::string::npos) << targets;
    EXPECT_EQ(targets.find("image/bmp"), std::string::npos) << targets;
    // Old clients asking for STRING get Latin-1, with '?' for what Latin-1 lacks.
    EXPECT_EQ(RunCommand("xclip -o -selection clipboard -t STRING"), std::string("gr\xfc\xdf" "e\n2 ?"));

    // Another client's text comes in converted.
    std::string path = TempPath("text");
    ASSERT_TRUE(WriteFileBytes(path, "ab\xe2\x82\xac\xf0\x9f\x98\x80"));
    std::vector<uint8_t> before = Current(CLIP_UNICODETEXT);
    ASSERT_EQ(before.size(), 20u);   // nine characters and the terminator, converted from our own text
    OfferWithXclip(path, "UTF8_STRING");
    std::vector<uint8_t> wide = WaitForClipboard(CLIP_UNICODETEXT, before);
    std::u16string want = u"ab\u20ac\U0001F600";
    want.push_back(0);
    ASSERT_EQ(wide.size(), want.size() * 2);
    EXPECT_EQ(memcmp(wide.data(), want.data(), wide.size()), 0);
    unlink(path.c_str());
}

TEST_F(X11Clipboard, LargeTextsTravelByIncrBothWays) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    std::string big;
    for (int i = 0; big.size() < 3 * 1024 * 1024; i++) big += "line " + std::to_string(i) + " \xc3\xa9t\xc3\xa9\n";
    ASSERT_EQ(PlatSetClipboard(CLIP_TEXT, big.c_str(), big.size() + 1), 0);
    std::string out = RunCommand("xclip -o -selection clipboard -t UTF8_STRING");
    EXPECT_EQ(out.size(), big.size());
    EXPECT_TRUE(out == big);

    std::string path = TempPath("big");
    std::string other = big.substr(0, big.size() - 7) + "THE END";
    ASSERT_TRUE(WriteFileBytes(path, other));
    std::vector<uint8_t> before = Current(CLIP_TEXT);
    OfferWithXclip(path, "UTF8_STRING");
    std::vector<uint8_t> got = WaitForClipboard(CLIP_TEXT, before);
    ASSERT_EQ(got.size(), other.size() + 1);
    EXPECT_TRUE(memcmp(got.data(), other.data(), other.size()) == 0);
    EXPECT_EQ(got.back(), 0);
    unlink(path.c_str());
}

// A 2 x 2 32-bit bitmap block: 40-byte header and four pixels.
static std::vector<uint8_t> SmallDib() {
    std::vector<uint8_t> dib(40 + 16, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++) dib[at + i] = (uint8_t)(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, 2);
    put32(8, 2);
    dib[12] = 1;
    dib[14] = 32;
    put32(20, 16);
    put32(40, 0x00FF0000);
    put32(44, 0x0000FF00);
    put32(48, 0x000000FF);
    put32(52, 0x00123456);
    return dib;
}

TEST_F(X11Clipboard, BitmapsTravelAsBmpFiles) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    std::vector<uint8_t> dib = SmallDib();
    ASSERT_EQ(PlatSetClipboard(CLIP_DIB, dib.data(), dib.size()), 0);
    std::string path = TempPath("out.bmp");
    RunCommand("xclip -o -selection clipboard -t image/bmp > " + path);
    std::string file = ReadFileBytes(path);
    ASSERT_EQ(file.size(), 14 + dib.size());
    EXPECT_EQ(file.substr(0, 2), "BM");
    EXPECT_EQ((uint8_t)file[2] | (uint8_t)file[3] << 8, (int)file.size());
    EXPECT_EQ((uint8_t)file[10], 54);   // pixels right after the header: no colour table at 32 bits
    EXPECT_EQ(memcmp(file.data() + 14, dib.data(), dib.size()), 0);
    // ImageMagick reads it as the same picture (rows bottom first in the block).
    EXPECT_EQ(RunCommand("convert " + path + " -depth 8 rgb:- | od -An -tx1 | tr -d ' \\n'"),
              "0000ff123456ff000000ff00");

    // A bitmap from another client comes in as the block, file header gone.
    std::vector<uint8_t> other = SmallDib();
    other[40] = 0x77;
    std::string in = "BM";
    in += std::string("\x46\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00", 12);
    in.append((const char*)other.data(), other.size());
    std::string in_path = TempPath("in.bmp");
    ASSERT_TRUE(WriteFileBytes(in_path, in));
    OfferWithXclip(in_path, "image/bmp");
    std::vector<uint8_t> got = WaitForClipboard(CLIP_DIB, dib);
    EXPECT_EQ(got, other);
    unlink(path.c_str());
    unlink(in_path.c_str());
}

TEST_F(X11Clipboard, AnOwnerThatNeverAnswersEndsTheWait) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_TRUE(dpy);
    Window mute = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(dpy, XInternAtom(dpy, "CLIPBOARD", False), mute, CurrentTime);
    XSync(dpy, False);
    // The owner never reads its events, so the request stays unanswered.
    size_t size = 0;
    uint8_t* bytes = PlatGetClipboard(CLIP_TEXT, &size);
    EXPECT_EQ(bytes, nullptr);
    free(bytes);
    // The backend still answers afterwards.
    const char text[] = "after";
    XDestroyWindow(dpy, mute);
    XCloseDisplay(dpy);
    ASSERT_EQ(PlatSetClipboard(CLIP_TEXT, text, sizeof text), 0);
    EXPECT_EQ(RunCommand("xclip -o -selection clipboard"), "after");
}
