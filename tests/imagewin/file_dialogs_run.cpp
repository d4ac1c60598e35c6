// The image file dialogs in the running program: their titles and first filters, the folder
// and filter each remembers from one call to the next, "All Files" saving BMP, and the
// extension rule of saved files.
#include "imagewin/file_dialogs.h"
#include "imagewin/image_commands.h"
#include "imagewin/image_table.h"
#include "codec/codec_names.h"
#include "platform/controls/dialog.h"
#include "platform/controls/file_dialog.h"
#include "runtime/startup_state.h"
#include "support/harness.h"
#include "support/outside_io.h"
#include "support/worker_jobs.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" void UserSetup(void) { StartRequested.store(1); }
extern "C" void UserMain(void) { ServeJobsUntilExit(); }

namespace {

TEST(SavePath, AddsTheFormatsExtensionUnlessThePathHasOneOfItsOwn) {
    const struct { const char* path; int format; const char* written; } cases[] = {
        {"picture", 3, "picture.png"},       {"picture.PNG", 3, "picture.PNG"},
        {"picture.png", 0, "picture.png.bmp"}, {"x.jpeg", 1, "x.jpeg"},
        {"x.JPE", 1, "x.JPE"},                {"x.jpg", 4, "x.jpg.tif"},
        {"x.TIFF", 4, "x.TIFF"},              {"x.dib", 0, "x.dib"},
        {"x.rle", 0, "x.rle"},                {"ab", 2, "ab.gif"},
        {"/d/gif", 2, "/d/gif.gif"},          {"x.png", CODEC_ICO, "x.png"},
        {"x", CODEC_WEBP, "x.webp"},          {"x.WebP", CODEC_WEBP, "x.WebP"},
    };
    for (const auto& c : cases) EXPECT_EQ(CodecPathWithExtension(c.path, (CodecFormat)c.format), c.written) << c.path;
}

class FileDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/pxk_imgdlg_XXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl));
        dir = tmpl;
        mkdir((dir + "/sub").c_str(), 0700);
        for (const char* name : {"a.bmp", "b.PNG", "c.ico", "sub/inner.gif"})
            ASSERT_TRUE(WriteFileBytes(dir + "/" + name, "x"));
        // The program takes the folder it starts in as both dialogs' first folder.
        ASSERT_EQ(chdir(dir.c_str()), 0);
        ASSERT_TRUE(StartProgram());
    }
    void TearDown() override {
        if (DriverFileDialog()) DriverKey(KEY_ESCAPE);
        EXPECT_EQ(StopProgram(), 0);
        RunCommand("rm -rf '" + dir + "'");
    }
    // Starts a dialog on the worker; waits until it is on screen.
    void Start(bool save) {
        result = -1;
        path[0] = 0;
        job = PostJob([this, save] {
            result = save ? PXK_SaveImageFileDialog(path, sizeof path) : PXK_OpenImageFileDialog(path, sizeof path);
        });
        ASSERT_TRUE(DriverWaitFor([] { return DriverFileDialog() != 0; }));
    }
    static std::string Part(int id) { return DriverWindowText(DriverFileDialogPart(id)); }
    static bool Shows(const std::vector<std::string>& entries) {
        return DriverWaitFor([&] { return DriverListEntries(DriverFileDialogPart(FILEDLG_LIST)) == entries; });
    }
    int Finish() {
        EXPECT_TRUE(WaitJob(job));
        return result;
    }
    std::string dir;
    char path[260];
    int result = -1;
    int job = 0;
};

TEST_F(FileDialogs, SaveRemembersItsFilterAndFolderAndAllFilesSavesBmp) {
    EXPECT_EQ(Ask<int>(SaveDialogFormat), 0);
    Start(true);
    EXPECT_EQ(DriverWindowText(DriverFileDialog()), "Save as");
    EXPECT_EQ(Part(FILEDLG_NAME), "noname");
    EXPECT_EQ(Part(FILEDLG_FILTER), "BMP (*.BMP;*.RLE;*.DIB)");
    EXPECT_TRUE(Shows({"../", "sub/", "a.bmp"}));
    ASSERT_TRUE(DriverChooseFilter(1));
    ASSERT_TRUE(DriverTypeFileName("sub/pic\n"));
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(std::string(path), dir + "/sub/pic.bmp");
    EXPECT_EQ(Ask<int>(SaveDialogFormat), 0);
    EXPECT_EQ(Ask<std::string>([] { return std::string(save_dir); }), dir + "/sub");
    EXPECT_EQ(Ask<std::string>([] { return std::string(open_dir); }), dir);

    // The next save opens in that folder with "All Files" again; PNG then saves PNG.
    Start(true);
    EXPECT_EQ(Part(FILEDLG_FILTER), "All Files (*.*)");
    EXPECT_TRUE(Shows({"../", "inner.gif"}));
    ASSERT_TRUE(DriverChooseFilter(5));
    ASSERT_TRUE(DriverTypeFileName("x\n"));
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(std::string(path), dir + "/sub/x.png");
    EXPECT_EQ(Ask<int>(SaveDialogFormat), 3);

    // WebP follows TIFF, the last of the save filter.
    Start(true);
    ASSERT_TRUE(DriverChooseFilter(7));
    EXPECT_EQ(Part(FILEDLG_FILTER), "WebP (*.WEBP)");
    ASSERT_TRUE(DriverTypeFileName("w\n"));
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(std::string(path), dir + "/sub/w.webp");
    EXPECT_EQ(Ask<int>(SaveDialogFormat), PXK_FILE_WEBP);

    // A typed extension of a save format names the format whatever the filter; others get the
    // filter's extension after them.
    const struct { int filter; const char* typed; const char* written; int format; } typed[] = {
        {2, "shot.png", "shot.png", PXK_FILE_PNG},   {7, "shot.JPEG", "shot.JPEG", PXK_FILE_JPEG},
        {1, "s.webp", "s.webp", PXK_FILE_WEBP},      {5, "notes.txt", "notes.txt.png", PXK_FILE_PNG},
        {3, "s.tiff", "s.tiff", PXK_FILE_TIFF},      {7, "s.png.x", "s.png.x.webp", PXK_FILE_WEBP},
    };
    for (const auto& t : typed) {
        Start(true);
        ASSERT_TRUE(DriverChooseFilter(t.filter));
        ASSERT_TRUE(DriverTypeFileName((std::string(t.typed) + "\n").c_str()));
        EXPECT_EQ(Finish(), 0);
        EXPECT_EQ(std::string(path), dir + "/sub/" + t.written) << t.typed;
        EXPECT_EQ(Ask<int>(SaveDialogFormat), t.format) << t.typed;
    }

    // A cancelled dialog leaves the remembered filter alone.
    Start(true);
    ASSERT_TRUE(DriverChooseFilter(3));
    DriverKey(KEY_ESCAPE);
    EXPECT_EQ(Finish(), 1);
    EXPECT_EQ(Ask<int>(SaveDialogFormat), PXK_FILE_WEBP);
}

TEST_F(FileDialogs, OpenStartsOnAllPicturesAndRemembersItsFilterAndFolder) {
    Start(false);
    EXPECT_EQ(DriverWindowText(DriverFileDialog()), "Load image file");
    EXPECT_EQ(Part(FILEDLG_FILTER), "All pictures");
    EXPECT_EQ(Part(FILEDLG_NAME), "*.BMP;*.RLE;*.DIB;*.JPG;*.JPEG;*.JPE;*.GIF;*.PNG;*.TIF;*.TIFF;*.ICO;*.WEBP");
    EXPECT_TRUE(Shows({"../", "sub/", "a.bmp", "b.PNG", "c.ico"}));
    ASSERT_TRUE(DriverChooseFilter(3));
    EXPECT_EQ(Part(FILEDLG_FILTER), "BMP (*.BMP;*.RLE;*.DIB)");
    EXPECT_TRUE(Shows({"../", "sub/", "a.bmp"}));
    ASSERT_TRUE(DriverChooseFilter(8));
    EXPECT_EQ(Part(FILEDLG_FILTER), "ICO (*.ICO)");
    EXPECT_TRUE(Shows({"../", "sub/", "c.ico"}));
    ASSERT_TRUE(DriverChooseFilter(9));
    EXPECT_EQ(Part(FILEDLG_FILTER), "WebP (*.WEBP)");
    ASSERT_TRUE(DriverChooseFilter(5));
    ASSERT_TRUE(DriverClickListEntry(DriverFileDialogPart(FILEDLG_LIST), "sub/", true));
    ASSERT_TRUE(Shows({"../", "inner.gif"}));
    ASSERT_TRUE(DriverClickListEntry(DriverFileDialogPart(FILEDLG_LIST), "inner.gif", true));
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(std::string(path), dir + "/sub/inner.gif");
    EXPECT_EQ(Ask<std::string>([] { return std::string(open_dir); }), dir + "/sub");

    Start(false);
    EXPECT_EQ(Part(FILEDLG_NAME), "*.GIF");
    EXPECT_EQ(Part(FILEDLG_FILTER), "CompuServe GIF (*.GIF)");
    EXPECT_TRUE(Shows({"../", "inner.gif"}));
    DriverKey(KEY_ESCAPE);
    EXPECT_EQ(Finish(), 1);
    EXPECT_EQ(Ask<int>([] { return PXK_OpenImageFileDialog(nullptr, 260); }), 1);
}

// The window's Save as and Load image file commands: a 3 x 2 picture saved as PNG through the
// dialog is read by ImageMagick as written, and loads back into the cleared image.
TEST_F(FileDialogs, SaveAndLoadCommandsGoThroughTheDialogs) {
    static const PXK_Color colors[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFFFFFF, 0x000000};
    const WindowId window = Ask<WindowId>([] {
        PXK_CreateImage(4, "saved", 0, 0, 3, 2, 100);
        for (int i = 0; i < 6; i++) PXK_PutPixel(i % 3, i / 3, colors[i]);
        return image_table[4].window;
    });
    auto command = [window](int id) { PlatPostMessage(window, MSG_COMMAND, (uintptr_t)MakeParam(id, 0), 0); };
    command(CMD_IMAGE_SAVE);
    ASSERT_TRUE(DriverWaitFor([] { return DriverFileDialog() != 0; }));
    ASSERT_TRUE(DriverChooseFilter(5));
    ASSERT_TRUE(DriverTypeFileName("saved\n"));
    const std::string file = dir + "/saved.png";
    ASSERT_TRUE(DriverWaitFor([&] { return DriverFileDialog() == 0 && access(file.c_str(), F_OK) == 0; }));
    EXPECT_EQ(RunCommand("convert '" + file + "' -depth 8 txt:- | tail -n +2 | cut -d' ' -f4"),
              "#FF0000\n#00FF00\n#0000FF\n#123456\n#FFFFFF\n#000000\n");

    OnWorker([] { PXK_SelectImage(4); PXK_ClearImage(4); });
    command(CMD_IMAGE_LOAD);
    ASSERT_TRUE(DriverWaitFor([] { return DriverFileDialog() != 0; }));
    ASSERT_TRUE(DriverChooseFilter(6));
    ASSERT_TRUE(DriverTypeFileName("saved.png\n"));
    ASSERT_TRUE(DriverWaitFor([] { return DriverFileDialog() == 0; }));
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(Ask<PXK_Color>([i] { PXK_SelectImage(4); return PXK_GetPixel(i % 3, i / 3); }), colors[i]) << i;
}

}  // namespace
