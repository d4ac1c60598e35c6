// Images on the desktop's clipboard: the program runs in this process on the X11 backend and
// xclip plays the other program. A copied image lists the image types and TIMESTAMP, and the
// PNG xclip takes is the image as ImageMagick decodes it; a PNG offered only as image/png (as
// most programs offer) pastes into an image.
#include "framework/startup.h"
#include "imagewin/image_table.h"
#include "platform/driver/driver.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/entry.h"
#include "runtime/main_window.h"
#include "runtime/startup_state.h"
#include "support/outside_io.h"
#include "support/picture_files.h"
#include "support/worker_jobs.h"

#include "support/x11_program.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string>
#include <thread>
#include <vector>

extern "C" void UserSetup(void) { StartRequested.store(1); }
extern "C" void UserMain(void) { ServeJobsUntilExit(); }

namespace {

std::vector<uint32_t> Pixels(int index) {
    return Ask<std::vector<uint32_t>>([=] {
        const ImageRecord& r = image_table[index];
        std::vector<uint32_t> out;
        for (int y = 0; y < r.height; y++)
            for (int x = 0; x < r.width; x++) out.push_back(((const uint32_t*)image_pixels[index])[y * r.width + x] & 0xFFFFFF);
        return out;
    });
}

std::vector<uint32_t> Pattern(int width, int height) {
    std::vector<uint32_t> out;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) out.push_back(PatternColor(x, y));
    return out;
}

TEST(ClipboardImagesOnX11, CopiesReachXclipAsPngAndAPngOnlyOwnerPastes) {
    const std::string dir = FreshFolder("x11_clip_images");
    X11Program program;
    ASSERT_TRUE(program.Start("pixkit-x11-clipimg"));

    ASSERT_EQ(Ask<int>([] {
        if (PXK_CreateImage(0, "copy", 0, 0, 40, 30, 100)) return 1;
        for (int y = 0; y < 30; y++)
            for (int x = 0; x < 40; x++) ((uint32_t*)image_pixels[0])[y * 40 + x] = PatternColor(x, y);
        return PXK_CopyImageToClipboard(0);
    }), 0);
    const std::string targets = RunCommand("timeout 20 xclip -selection clipboard -t TARGETS -o");
    for (const char* type : {"image/png\n", "image/bmp\n", "TIMESTAMP\n"})
        EXPECT_NE(targets.find(type), std::string::npos) << type << " not in " << targets;
    RunCommand("timeout 20 xclip -selection clipboard -t image/png -o > " + dir + "/ours.png");
    int width = 0, height = 0;
    std::vector<uint32_t> magick = MagickPixels(dir + "/ours.png", &width, &height);
    for (uint32_t& c : magick) c &= 0xFFFFFF;
    EXPECT_EQ(width, 40);
    EXPECT_EQ(height, 30);
    EXPECT_EQ(magick, Pattern(40, 30));

    ASSERT_TRUE(WritePpm(dir + "/theirs.ppm", 25, 20));
    RunCommand("convert " + dir + "/theirs.ppm PNG24:" + dir + "/theirs.png");
    ASSERT_EQ(system(("timeout 30 xclip -quiet -selection clipboard -t image/png -i " + dir +
                      "/theirs.png >/dev/null 2>&1 &").c_str()), 0);
    // xclip owns the selection once TARGETS no longer names our types.
    ASSERT_TRUE(DriverWaitFor([] {
        return RunCommand("timeout 5 xclip -selection clipboard -t TARGETS -o").find("image/bmp") == std::string::npos;
    }, 20000));
    ASSERT_EQ(Ask<int>([] { return PXK_CreateImage(1, "paste", 100, 0, 25, 20, 100) || PXK_PasteFromClipboard(0, 1, 0); }), 0);
    EXPECT_EQ(Pixels(1), Pattern(25, 20));
    RunCommand("rm -rf '" + dir + "'");
}

}  // namespace
