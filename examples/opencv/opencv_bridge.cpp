// OpenCV and PIXKIT together (include/pxk/pxk_opencv.hpp): the picture is loaded into an image
// window, copied into a cv::Mat, processed by OpenCV and every result shown in a window of
// its own. Image 1: Canny edges (a one-channel Mat, an 8-bit image); image 2: the grey picture,
// then replaced by it through OpenCV's JET colour map (BGR, 32 bits); image 3: the picture with
// alpha (BGRA), then turned a quarter, which resizes its window. Built only where OpenCV is
// installed.
#include <pxk.h>
#include <pxk/pxk_opencv.hpp>

#include <opencv2/imgproc.hpp>

#ifndef COURSE_DATA
#define COURSE_DATA "examples/data"   // the build sets it; this suits a run from the source tree
#endif

enum { W = 160, H = 120 };            // the size of examples/data/course.png

void UserSetup(void) {
    PXK_OpenTextWindow(0, 700, 400, 400, 200);
    StartRequested = 1;               // run UserMain without waiting for Start
}

void UserMain(void) {
    PXK_CreateImage(0, "picture", 20, 20, W, H, 200);
    if (PXK_LoadImageFile(COURSE_DATA "/course.png", 0, 0) != 0) {
        PXK_Pause("examples/data/course.png cannot be read");
        return;
    }
    PXK_RedrawImage(0);

    // From the framework to OpenCV: a BGR Mat of the picture.
    cv::Mat bgr;
    PXK_CopyImageToMat(0, &bgr);
    cv::Mat grey, edges, coloured, bgra, turned;
    cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
    cv::Canny(grey, edges, 50, 150, 3, true);   // the exact gradient: no rounding across machines

    // Back to the framework, one window each.
    PXK_ShowMat(1, edges, "Canny", 200);
    PXK_ShowMat(2, grey, "grey, then JET", 200);       // 8 bits first ...
    cv::applyColorMap(grey, coloured, cv::COLORMAP_JET);
    PXK_ShowMat(2, coloured, "grey, then JET", 200);   // ... then 32: the image is made again
    cv::cvtColor(bgr, bgra, cv::COLOR_BGR2BGRA);
    PXK_ShowMat(3, bgra, "BGRA", 200);
    cv::rotate(bgra, turned, cv::ROTATE_90_CLOCKWISE);
    PXK_ShowMat(3, turned, "BGRA", 200);   // 120 x 160 now: the window is resized

    // And once more from the framework: the edges image read back must equal the Mat shown.
    cv::Mat back;
    PXK_CopyImageToMat(1, &back);
    PXK_Printf("edge pixels: %d\n", cv::countNonZero(edges));
    PXK_Printf("edges read back %s\n", cv::norm(back, edges, cv::NORM_INF) == 0 ? "equal" : "different");
    while (!StopRequested) {          // keep the windows working until Stop
        PXK_WaitForMessages(1000);
        PXK_PumpMessages();
    }
}
