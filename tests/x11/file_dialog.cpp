// The open dialog on a real X display, used with xdotool's pointer and keyboard: a double
// click on a folder opens it, and a typed name with Return chooses the file.
#include "x11_fixture.h"

#include "platform/controls/file_dialog.h"
#include "platform/driver/driver.h"

#include <atomic>
#include <sys/stat.h>
#include <thread>

using namespace x11test;
using X11FileDialog = X11Test;

static const FileFilter FILTERS[] = {{"All Files (*.*)", "*.*"}};

// The dialog's own thread: however the test ends, an open dialog is closed and the thread
// joined, so that a failed check is reported as a failure instead of aborting the run.
struct DialogThread {
    std::thread thread;
    std::atomic<int> result{-1};
    ~DialogThread() { Finish(); }
    void Finish() {
        if (!thread.joinable()) return;
        if (result.load() == -1 && DriverWaitFor([] { return PlatGetOpenFileDialog() != 0; }))
            PlatPostMessage(PlatGetOpenFileDialog(), MSG_CLOSE, 0, 0);
        thread.join();
    }
};

TEST_F(X11FileDialog, ADoubleClickedFolderOpensAndATypedNameIsChosen) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    char tmpl[] = "/tmp/pxk_x11dlg_XXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    std::string dir = tmpl;
    mkdir((dir + "/sub").c_str(), 0700);
    ASSERT_TRUE(WriteFileBytes(dir + "/b.png", "x"));
    ASSERT_TRUE(WriteFileBytes(dir + "/sub/inner.bmp", "x"));

    FileDialogSetup setup{"Pick a file", FILTERS, 1, 1, dir.c_str(), "", false, 0, nullptr};
    std::string chosen;
    DialogThread owner;
    std::atomic<int>& result = owner.result;
    owner.thread = std::thread([&] { result.store(PlatFileDialog(0, &setup, &chosen)); });
    ASSERT_TRUE(DriverWaitFor([] { return PlatGetOpenFileDialog() != 0; }));
    std::string want = std::to_string(X11NativeWindow(PlatGetOpenFileDialog())) + "\n";
    std::string focus;
    EXPECT_TRUE(DriverWaitFor([&] { return (focus = RunCommand("xdotool getwindowfocus")) == want; }))
        << "the keyboard is on " << focus << "not on the dialog " << want;

    WindowId list = PlatGetControl(PlatGetOpenFileDialog(), FILEDLG_LIST);
    ASSERT_EQ(DriverListEntries(list), (std::vector<std::string>{"../", "sub/", "b.png"}));
    PlatRect row{};
    ASSERT_TRUE(PlatSendMessage(list, LB_GETITEMRECT, 1, (intptr_t)&row));
    PlatPoint p{row.left + 10, (row.top + row.bottom) / 2};
    PlatClientToScreen(list, &p);
    RunCommand("xdotool mousemove --sync " + std::to_string(p.x) + " " + std::to_string(p.y) + " click --repeat 2 1");
    EXPECT_TRUE(DriverWaitFor([&] { return DriverListEntries(list) == std::vector<std::string>{"../", "inner.bmp"}; }));

    // The folder opened with the focus in the list; the name field takes it back on a click.
    PlatRect field{};
    PlatGetWindowRect(PlatGetControl(PlatGetOpenFileDialog(), FILEDLG_NAME), &field);
    RunCommand("xdotool mousemove --sync " + std::to_string(field.left + 5) + " " + std::to_string(field.top + 5) +
               " click 1");
    WindowId name = PlatGetControl(PlatGetOpenFileDialog(), FILEDLG_NAME);
    ASSERT_TRUE(DriverWaitFor([&] { return PlatGetFocus() == name; }));
    RunCommand("xdotool type --delay 20 '../b.png'");
    RunCommand("xdotool key Return");
    EXPECT_TRUE(DriverWaitFor([&] { return result.load() != -1; }));
    owner.Finish();
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(chosen, dir + "/b.png");
    RunCommand("rm -rf '" + dir + "'");
}
