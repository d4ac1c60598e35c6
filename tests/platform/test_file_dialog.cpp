// The layer's open and save dialogs driven by keys and clicks: the list shows folders and the
// files of the chosen filter whatever their case, a typed name or a double click chooses,
// folders open, Esc and Cancel give 1, a save asks before replacing the file it will really
// write, and a path longer than the caller's buffer is refused, never cut.
#include "platform/backend.h"
#include "platform/controls/dialog.h"
#include "platform/controls/file_dialog.h"
#include "platform/driver/driver.h"
#include "platform/window/window.h"
#include "platform/window/window_core.h"
#include "support/outside_io.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdlib.h>
#include <sys/stat.h>
#include <thread>

namespace {

const FileFilter FILTERS[] = {
    {"All Files (*.*)", "*.*"},
    {"BMP (*.BMP;*.DIB)", "*.BMP;*.DIB"},
    {"JPEG (*.JPG;*.JPEG)", "*.JPG;*.JPEG"},
};

// What a save with the BMP choice writes: the name with ".bmp" unless it has it.
std::string WithBmp(const std::string& path, int) {
    return path.size() >= 4 && path.compare(path.size() - 4, 4, ".bmp") == 0 ? path : path + ".bmp";
}

class FileDialog : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("PIXKIT_HEADLESS_AUTOANSWER");
        PlatStartHeadless(1920, 1080, 32);
        char tmpl[] = "/tmp/pxk_filedlg_XXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl));
        dir = tmpl;
        for (const char* name : {"a.BMP", "d.bmp", "c.Jpg", "x.jpeg", "notes.txt", ".hidden.bmp", "sub/inner.dib"}) {
            if (strchr(name, '/')) mkdir((dir + "/sub").c_str(), 0700);
            ASSERT_TRUE(WriteFileBytes(dir + "/" + name, "x"));
        }
    }
    void TearDown() override {
        if (DriverFileDialog()) DriverKey(KEY_ESCAPE);
        if (thread.joinable()) thread.join();
        RunCommand("rm -rf '" + dir + "'");
    }
    // Runs the dialog on a thread of its own, as a program's thread would, and waits for it.
    void Open(bool save, int filter, size_t max_bytes = 0) {
        setup = FileDialogSetup{save ? "Save as" : "Open", FILTERS, 3, filter, dir.c_str(), "*.BMP", save,
                                max_bytes, save ? WithBmp : nullptr};
        result.store(-1);
        thread = std::thread([this] { result.store(PlatFileDialog(0, &setup, &chosen)); });
        ASSERT_TRUE(DriverWaitFor([] { return DriverFileDialog() != 0; }));
        list = DriverFileDialogPart(FILEDLG_LIST);
    }
    bool Shows(const std::vector<std::string>& entries) {
        return DriverWaitFor([&] { return DriverListEntries(list) == entries; });
    }
    // Answers the message box that must come up with a key; waits until the user can type a
    // name again (for an answer that leaves the dialog open).
    void AnswerBox(int key, bool stays) {
        ASSERT_TRUE(DriverWaitFor([] { return PlatGetOpenMessageBox() != 0; }));
        DriverKey(key);
        if (stays) {
            ASSERT_TRUE(DriverWaitFor([] { return PlatGetFocus() == DriverFileDialogPart(FILEDLG_NAME); }));
        }
    }
    // The dialog's result; a dialog that does not end by itself fails the test and is closed
    // (with the message box it may be showing).
    int Finish() {
        bool ended = DriverWaitFor([this] { return result.load() != -1; });
        EXPECT_TRUE(ended) << "the dialog is still open";
        if (!ended) {
            PlatPostMessage(PlatGetOpenMessageBox(), MSG_CLOSE, 0, 0);
            PlatPostMessage(DriverFileDialog(), MSG_CLOSE, 0, 0);
        }
        thread.join();
        return result.load();
    }
    std::string dir;
    FileDialogSetup setup{};
    std::thread thread;
    std::atomic<int> result{-1};
    std::string chosen;
    WindowId list = 0;
};

TEST_F(FileDialog, ListsFoldersFirstAndTheFilesOfTheChosenFilterWhateverTheirCase) {
    Open(false, 2);
    EXPECT_EQ(DriverWindowText(DriverFileDialog()), "Open");
    EXPECT_EQ(DriverWindowText(DriverFileDialogPart(FILEDLG_FILTER)), "BMP (*.BMP;*.DIB)");
    EXPECT_TRUE(Shows({"../", "sub/", "a.BMP", "d.bmp"}));
    const struct { int filter; std::vector<std::string> shown; } cases[] = {
        {3, {"../", "sub/", "c.Jpg", "x.jpeg"}},
        {1, {"../", "sub/", "a.BMP", "c.Jpg", "d.bmp", "notes.txt", "x.jpeg"}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(DriverChooseFilter(c.filter));
        EXPECT_TRUE(Shows(c.shown)) << c.filter;
        EXPECT_EQ(DriverWindowText(DriverFileDialogPart(FILEDLG_FILTER)), FILTERS[c.filter - 1].description);
    }
    // Patterns typed into the field filter the list until the filter changes.
    ASSERT_TRUE(DriverTypeFileName("*.TXT\n"));
    EXPECT_TRUE(Shows({"../", "sub/", "notes.txt"}));
    DriverType("c.Jpg\n");
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(chosen, dir + "/c.Jpg");
    EXPECT_EQ(setup.filter_index, 1);
}

TEST_F(FileDialog, DoubleClicksOpenFoldersGoUpAndChooseAFile) {
    Open(false, 2);
    ASSERT_TRUE(DriverClickListEntry(list, "sub/", true));
    EXPECT_TRUE(Shows({"../", "inner.dib"}));
    ASSERT_TRUE(DriverClickListEntry(list, "../", true));
    EXPECT_TRUE(Shows({"../", "sub/", "a.BMP", "d.bmp"}));
    // A single click puts a file's name into the field.
    ASSERT_TRUE(DriverClickListEntry(list, "d.bmp"));
    EXPECT_TRUE(DriverWaitFor([] { return DriverWindowText(DriverFileDialogPart(FILEDLG_NAME)) == "d.bmp"; }));
    // The chosen line is drawn highlighted, the others on the list's white.
    PlatRect chosen_row{}, other_row{};
    ASSERT_TRUE(PlatSendMessage(list, LB_GETITEMRECT, 3, (intptr_t)&chosen_row));
    ASSERT_TRUE(PlatSendMessage(list, LB_GETITEMRECT, 2, (intptr_t)&other_row));
    EXPECT_TRUE(DriverWaitFor([&] {
        return DriverClientPixel(list, chosen_row.right - 2, chosen_row.top + 1) == SysColor(SYS_COLOR_HIGHLIGHT);
    }));
    EXPECT_EQ(DriverClientPixel(list, other_row.right - 2, other_row.top + 1), SysColor(SYS_COLOR_EDIT_BACK));
    ASSERT_TRUE(DriverClickListEntry(list, "sub/", true));
    ASSERT_TRUE(Shows({"../", "inner.dib"}));
    ASSERT_TRUE(DriverClickListEntry(list, "inner.dib", true));
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(chosen, dir + "/sub/inner.dib");
}

TEST_F(FileDialog, EscCancelAndTheCloseBoxGiveOneAndKeepTheFilter) {
    for (int way = 0; way < 3; way++) {
        Open(false, 2);
        ASSERT_TRUE(DriverChooseFilter(3));
        if (way == 0) {
            DriverKey(KEY_ESCAPE);
        } else if (way == 1) {
            PlatRect r = DriverWindowRect(DriverFileDialogPart(IDCANCEL));
            DriverClick((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        } else {
            PlatRect outer = DriverWindowRect(DriverFileDialog()), box{};
            ASSERT_TRUE(CloseBoxRect(DriverFileDialog(), &box));
            DriverClick(outer.left + (box.left + box.right) / 2, outer.top + (box.top + box.bottom) / 2);
        }
        EXPECT_EQ(Finish(), 1) << way;
        EXPECT_EQ(setup.filter_index, 2) << way;
        EXPECT_EQ(chosen, "");
    }
}

TEST_F(FileDialog, OpenTakesOnlyAFileThatExists) {
    Open(false, 1);
    DriverType("missing.bmp\n");
    AnswerBox(KEY_RETURN, true);
    EXPECT_NE(DriverFileDialog(), 0u);
    DriverType("sub\n");   // a folder's name opens it
    EXPECT_TRUE(Shows({"../", "inner.dib"}));
    DriverType("../notes.txt\n");
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(chosen, dir + "/notes.txt");
}

TEST_F(FileDialog, SaveAsksAboutTheFileItWillWriteBeforeReplacingIt) {
    Open(true, 2);
    DriverType("d\n");          // written as d.bmp, which exists
    AnswerBox(KEY_ESCAPE, true);   // No: the dialog stays
    EXPECT_NE(DriverFileDialog(), 0u);
    DriverType("d\n");
    AnswerBox(KEY_RETURN, false);  // Yes
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(chosen, dir + "/d.bmp");
    // A new name is taken without a question.
    Open(true, 2);
    DriverType("fresh\n");
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(chosen, dir + "/fresh.bmp");
}

TEST_F(FileDialog, APathLongerThanTheCallersBufferIsRefusedNotCut) {
    // Room for the folder, '/', a name of five bytes and the terminator.
    Open(false, 1, dir.size() + 1 + 5 + 1);
    DriverType("x.jpeg\n");
    AnswerBox(KEY_RETURN, true);
    EXPECT_NE(DriverFileDialog(), 0u);
    DriverType("c.Jpg\n");
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(chosen, dir + "/c.Jpg");
}

}  // namespace
