// The printer calibration sheet: the user gives the sheet's width and height in inches and
// the printer's resolution in dots per inch in the input box; the program prints the size in
// pixels in text window 0, and each press of "go" makes image 0 exactly that large and draws
// a test pattern into it (pattern_sheet.cpp): a one-inch grey square, two line sweeps of
// growing spacing and a hue-by-saturation colour chart.
#include <pxk.h>

#include "pattern_sheet.h"

#include <ctype.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

static double inch_W, inch_H;
static int dpi_W, dpi_H;
static int pW, pH;
// The values the two inch fields showed when the program last wrote them. A field is acted
// on only when it holds something else, so that a width the whole pixels cover (1354 / 301 =
// 4.49833887...) is never cut again and nothing changes by itself.
static double shown_W, shown_H;

// True when v converts to an int without overflow (false for NaN too).
static bool FitsInt(double v) { return v > -2147483648.0 && v < 2147483648.0; }

// The typed inches in whole hundredths, cut (not rounded) decimally. The value is written
// out with 15 significant digits, which gives back the digits typed (2.3 stays 2.3, where
// 2.3 x 100 in binary falls just below 230), and the digits after the second decimal are
// dropped. Only values too small to reach a hundredth come out with an exponent.
static long long CutToHundredths(double v) {
    char text[64];
    snprintf(text, sizeof text, "%.15g", v);
    if (strchr(text, 'e')) return 0;
    const char* p = text;
    const bool negative = *p == '-';
    if (negative) p++;
    long long hundredths = 0;
    for (; isdigit((unsigned char)*p); p++) hundredths = hundredths * 10 + (*p - '0');
    if (*p == '.') p++;
    for (int i = 0; i < 2; i++) {
        hundredths *= 10;
        if (isdigit((unsigned char)*p)) hundredths += *p++ - '0';
    }
    return negative ? -hundredths : hundredths;
}

// Writes the inches into their field and notes the value the field then shows.
static void ShowInches(int item, double inches, double* shown) {
    PXK_SetInputBoxValue(item, inches);
    *shown = PXK_GetInputBoxValue(item);
}

// One pass over the width (or height) in inches: acts only when the field was edited and
// its cut value differs from the current size. The pixels are the whole dots the cut inches
// hold, counted in integers. A negative or too large size is refused: the field shows the
// current value again.
static void CheckInches(int item, double* inches, double* shown, int* pixels, int dpi, const char* step,
                        const char* pname, const char* iname) {
    double v = PXK_GetInputBoxValue(item);
    if (v == *shown) return;
    if (!FitsInt(v * 100.0)) {
        // Too large to be a size in pixels (or not a number at all): keep the current size.
        ShowInches(item, *inches, shown);
        return;
    }
    long long hundredths = CutToHundredths(v);
    if (hundredths / 100.0 == *inches) return;
    long long dots = hundredths * dpi / 100;
    if (hundredths < 0 || dots > 2147483647LL) {
        ShowInches(item, *inches, shown);
        return;
    }
    *pixels = (int)dots;
    *inches = (double)*pixels / dpi;
    ShowInches(item, *inches, shown);
    PXK_Printf("%s: \n", step);
    PXK_Printf("%s: %d\n", pname, *pixels);
    PXK_Printf("%s: %f\n", iname, *inches);
}

// One pass over a resolution: a value of 0 or below would divide by zero in the inch
// computation, so it is refused and the field shows the current resolution again. The inches
// are the pixels over the old resolution, so the new pixels are counted from those exactly.
static void CheckResolution(int item, int inch_item, int* dpi, double* inches, double* shown, int* pixels,
                            const char* step, const char* pname, const char* iname) {
    int d = PXK_GetInputBoxInt(item);
    if (d == *dpi) return;
    long long dots = (long long)*pixels * d / *dpi;
    if (d <= 0 || dots > 2147483647LL) {
        PXK_SetInputBoxInt(item, *dpi);
        return;
    }
    *dpi = d;
    *pixels = (int)dots;
    *inches = (double)*pixels / d;
    ShowInches(inch_item, *inches, shown);
    PXK_Printf("%s: \n", step);
    PXK_Printf("%s: %d\n", pname, *pixels);
    PXK_Printf("%s: %f\n", iname, *inches);
}

// Presses of "go" that ended a wait early, served by the pass that follows it.
static int go_presses;

// Waits one second while the worker's windows keep working; a stop request ends it early,
// and so does a press of "go": the click wakes the wait, and the user is not kept waiting for
// the rest of the second before the sheet is made.
static void WaitSecond(void) {
    uint64_t start = PXK_GetTicks();
    for (;;) {
        double elapsed = (double)(PXK_GetTicks() - start) * ms_per_tick;
        long long ms = (long long)floor(elapsed + 0.5);
        if (ms >= 1000) return;
        // Sleeps until a message comes (served at once), Stop or Exit wakes it, or the second
        // is over: the windows keep working and an idle program burns no processor time.
        PXK_WaitForMessages((int)(1000 - ms));
        PXK_PumpMessages();
        if (StopRequested) return;
        go_presses += PXK_GetButtonPress(0);
        if (go_presses != 0) return;
    }
}

static bool ImageZeroInUse(void) { return PXK_GetStretchMode(0) != 0; }

static void DrawTestPattern(void) {
    if (ImageZeroInUse()) PXK_SelectImage(0);
    DrawPattern(PatternSheet{pW, pH, dpi_W, dpi_H});
    if (ImageZeroInUse()) PXK_RedrawImage(0);
}

// A press of "go": image 0 at the current size, made or resized, and the pattern in it. A
// size the screen or memory cannot take is reported in a line short enough for the text
// window's 24 columns, and nothing is drawn: the previous sheet, if any, stays as it was.
static void PressGo(void) {
    int code;
    if (ImageZeroInUse()) {
        code = PXK_ResizeImage(0, pW, pH);
    } else {
        code = PXK_CreateImage(0, "test_pattern", 0, 300, pW, pH, 100);
        if (ImageZeroInUse()) PXK_SetStretchMode(PXK_STRETCH_HALFTONE, 0);
    }
    PXK_Printf("%dWx%dH dots\n", pW, pH);
    PXK_Printf("%5.2fW\nx %5.2fH inch\n", inch_W, inch_H);
    if (code != 0) {
        PXK_Printf("cannot make %dx%d\n", pW, pH);
        return;
    }
    DrawTestPattern();
}

void UserSetup(void) {
    inch_W = 4.5;
    inch_H = 3.5;
    dpi_W = 300;
    dpi_H = 300;
    pW = 1350;
    pH = 1050;
    PXK_OpenTextWindow(0, 0, 0, 198, 198);
    PXK_OpenButtonBox(206, 0, 1, 1);
    PXK_SetButtonBoxTitle(0, "go");
    // Each of these does nothing when the box did not open.
    PXK_OpenInputBox(422, 0, 4);
    static const char* labels[4] = {"inch_W", "inch_H", "dpi_W", "dpi_H"};
    for (int i = 0; i < 4; i++) PXK_SetInputBoxTitle(i, labels[i]);
    ShowInches(0, inch_W, &shown_W);
    ShowInches(1, inch_H, &shown_H);
    PXK_SetInputBoxInt(2, dpi_W);
    PXK_SetInputBoxInt(3, dpi_H);
    StartRequested = 1;
}

void UserMain(void) {
    for (;;) {
        CheckInches(0, &inch_W, &shown_W, &pW, dpi_W, "1", "pW", "inch_W");
        CheckInches(1, &inch_H, &shown_H, &pH, dpi_H, "2", "pH", "inch_H");
        CheckResolution(2, 0, &dpi_W, &inch_W, &shown_W, &pW, "3", "pW", "inch_W");
        CheckResolution(3, 1, &dpi_H, &inch_H, &shown_H, &pH, "4", "pH", "inch_H");
        WaitSecond();
        for (int slot = 0; slot < 2; slot++) {
            PXK_Printf("%s", "");
            int presses = PXK_GetButtonPress(slot);
            if (slot == 0) {
                presses += go_presses;
                go_presses = 0;
            }
            if (presses == 0 || slot != 0) continue;
            PressGo();
        }
    }
}
