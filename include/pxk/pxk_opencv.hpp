/* The OpenCV bridge: shows a cv::Mat in an image window and copies an image into a cv::Mat.
 *
 * Header-only C++, not part of pxk.h: a program that wants it includes <pxk/pxk_opencv.hpp>
 * after OpenCV's core is on its include path and links opencv_core (find_package(OpenCV
 * COMPONENTS core) in CMake, or `pkg-config --cflags --libs opencv4`). Like every PXK_
 * operation these run on the worker thread (in UserSetup or UserMain).
 *
 * OpenCV keeps colour pixels as blue, green, red (and alpha) bytes; the framework packs
 * 0x00RRGGBB words. The bridge swaps the order and drops alpha, nothing else: an 8-bit
 * one-channel Mat becomes an 8-bit image with a grey colour table, so index v shows grey v.
 *
 * PXK_ShowMat(index, mat, title, zoom) shows a CV_8UC1, CV_8UC3 (BGR) or CV_8UC4 (BGRA) Mat in
 * image slot index (0..255), which becomes the current image. A free slot gets a new window
 * titled `title` at the system's position and the zoom asked for (or the nearest that fits the
 * screen); a slot of the same depth but another size is resized in place; a slot of the other
 * depth is made again. Results: 0 done; 1 index outside 0..255; 2 no zoom fits the window on
 * the screen; 3 no memory for the pixels; 5 the Mat is empty or of another type (the slot is
 * then untouched).
 *
 * PXK_CopyImageToMat(index, mat) puts a copy of image index into *mat: a 32-bit image as
 * CV_8UC3 (BGR), an 8-bit image as CV_8UC1 holding its colour indices (the grey level when the
 * table is the grey ramp). The current image stays as it was. 0 done; 1 index outside 0..255,
 * a free slot or a null mat (*mat is then unchanged).
 */
#ifndef PXK_OPENCV_HPP
#define PXK_OPENCV_HPP

#include <pxk.h>

#include <opencv2/core.hpp>

#include <vector>

enum { PXK_MAT_UNSUPPORTED = 5 };

inline int PXK_ShowMat(int index, const cv::Mat& mat, const char* title = "OpenCV", int zoom = 100) {
    if (index < 0 || index > 255) return 1;
    const int type = mat.type();
    if (mat.empty() || mat.dims != 2 || (type != CV_8UC1 && type != CV_8UC3 && type != CV_8UC4))
        return PXK_MAT_UNSUPPORTED;
    const int bits = type == CV_8UC1 ? 8 : 32;
    int width = 0, height = 0, old_bits = 0;
    int code = 0;
    if (PXK_GetImageSize(index, &width, &height, &old_bits) == 0 && old_bits != bits) {
        PXK_DestroyImage(index);     // another depth: the window is made again below
        old_bits = 0;
    }
    if (old_bits == 0) code = PXK_CreateImageEx(index, title, -1, -1, mat.cols, mat.rows, zoom, bits, 1);
    else if (width != mat.cols || height != mat.rows) code = PXK_ResizeImage(index, mat.cols, mat.rows);
    if (code != 0) return code == 4 ? 1 : code;
    PXK_SelectImage(index);
    if (bits == 8) {
        // The grey ramp, whatever table an earlier picture in this slot left.
        PXK_Color grey[256];
        for (int v = 0; v < 256; v++) grey[v] = v * 0x010101;
        PXK_SetPalette(grey, 256);
    }
    const int channels = mat.channels();
    for (int y = 0; y < mat.rows; y++) {
        const unsigned char* row = mat.ptr<unsigned char>(y);
        for (int x = 0; x < mat.cols; x++) {
            const unsigned char* p = row + (size_t)x * channels;
            PXK_PutPixel(x, y, channels == 1 ? p[0] : (p[2] << 16) | (p[1] << 8) | p[0]);
        }
    }
    PXK_RedrawImage(index);
    return 0;
}

inline int PXK_CopyImageToMat(int index, cv::Mat* mat) {
    int width = 0, height = 0, bits = 0;
    if (!mat || PXK_GetImageSize(index, &width, &height, &bits) != 0) return 1;
    if (PXK_SelectImage(index) != 0) return 1;
    cv::Mat copy;
    if (bits == 8) {
        copy.create(height, width, CV_8UC1);
        PXK_ReadImageRect(copy.data, 0, 0, width, height);   // a fresh Mat's rows are packed
    } else {
        std::vector<uint32_t> pixels((size_t)width * height);
        PXK_ReadImageRect(pixels.data(), 0, 0, width, height);
        copy.create(height, width, CV_8UC3);
        for (int y = 0; y < height; y++) {
            unsigned char* row = copy.ptr<unsigned char>(y);
            for (int x = 0; x < width; x++) {
                const uint32_t c = pixels[(size_t)y * width + x];
                row[3 * x] = (unsigned char)c;               // blue
                row[3 * x + 1] = (unsigned char)(c >> 8);    // green
                row[3 * x + 2] = (unsigned char)(c >> 16);   // red
            }
        }
    }
    PXK_SelectPreviousImage();
    *mat = copy;
    return 0;
}

#endif
