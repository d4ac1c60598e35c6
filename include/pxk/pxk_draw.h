/* Colour models, the drawing state, figures, text and charts on the current image (part of pxk.h; compiles on its own). */

#ifndef PXK_DRAW_H
#define PXK_DRAW_H

#include "pxk_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Colour models ----
 * HSV here: hue 0..359 whole degrees, value = largest component, saturation = largest minus
 * smallest component (not divided by the value). */
void PXK_RGBtoHSV(PXK_Color color, int* h, int* s, int* v);
int PXK_GetHue(PXK_Color color);
int PXK_GetSaturation(PXK_Color color);
int PXK_GetValue(PXK_Color color);
/* v 0..255, s >= 0, h 0..359; no clamping. */
PXK_Color PXK_HSVtoRGB(int v, int s, int h);

/* ---- Drawing state (one for the process) ----
 * The drawing colour (white at start) is used by PXK_DrawBox, PXK_FillCircle and PXK_Paint.
 * The text cursor's x is the left column of the next glyph cell and its y the row just below
 * the cell; a line break returns x to the margin. PXK_SetTextPos sets x and the margin to x
 * and y to y. PXK_SetTextColor sets the bitmap-font text colour (black at start). */
void PXK_SetDrawColor(PXK_Color color);
PXK_Color PXK_GetDrawColor(void);
void PXK_SetTextPos(int x, int y);
void PXK_SetTextMargin(int x);
void PXK_SetTextColor(PXK_Color color);

/* ---- Pixels and figures on the current image ----
 * Every operation does nothing when the current slot is free. Pixels outside the image are
 * skipped one by one, so a figure partly outside is drawn exactly as if the image were larger.
 * A 32-bit image stores the whole colour value; an 8-bit image stores its low byte as the
 * colour index. The XOR twins flip the low 24 bits of a 32-bit pixel or all 8 bits of an
 * 8-bit pixel, so drawing an XOR figure twice restores the image.
 * The pen (where the last pixel or line ended) moves as follows: PXK_PutPixel and
 * PXK_XorPixel to their point (also outside); the lines to (x2, y2) as passed; the boxes and
 * discs, which are drawn as lines, to the end of their last line; the circles to their last
 * plotted point; PXK_Paint to the end of its last span; text to its last glyph pixel. */
void PXK_PutPixel(int x, int y, PXK_Color color);
PXK_Color PXK_GetPixel(int x, int y);   /* 0 outside; 8-bit: the index 0..255 */
void PXK_XorPixel(int x, int y);
void PXK_DrawLine(PXK_Color color, int x1, int y1, int x2, int y2);
void PXK_XorLine(int x1, int y1, int x2, int y2);
void PXK_DrawBox(int x1, int y1, int x2, int y2);
void PXK_DrawFilledBox(int x1, int y1, int x2, int y2, PXK_Color border, PXK_Color fill);
void PXK_XorBox(int x1, int y1, int x2, int y2);
void PXK_XorFillBox(int x1, int y1, int x2, int y2);
void PXK_DrawCircle(PXK_Color color, int cx, int cy, int r);
void PXK_XorCircle(int cx, int cy, int r);
void PXK_FillCircle(int cx, int cy, int r);
void PXK_XorFillCircle(int cx, int cy, int r);
/* Flood fill, in the drawing colour, of the four-connected region that has the colour of
 * (x, y). Its seed stack holds 4000 seeds; a region with more separate runs than that may be
 * left partly unfilled. */
void PXK_Paint(int x, int y);
/* Sets every byte of that image's pixel memory to 0 (any slot, not only the current one);
 * nothing for an index outside 0..255 or a free slot. */
void PXK_ClearImage(int index);

/* ---- Bitmap-font text (8 x 14 cells, characters 0x20..0x7F) ----
 * "\n" breaks the line (x to the margin, y down 16 rows); other bytes outside 0x20..0x7F are
 * ignored. After a glyph the cursor moves 8 to the right and breaks the line when the next
 * cell would not fit. PXK_PrintText formats into 4096 bytes (longer text is cut). */
void PXK_PutChar(int ch);
void PXK_PutString(const char* text);
void PXK_PrintText(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

/* ---- TrueType text on the current image ----
 * Drawn with the image text font (at start "ＭＳ ゴシック" 16 pixels high, 8 wide) in the
 * TrueType text colour (white at start), on a transparent background, sharing the text cursor
 * and margin above: each character's cell has its top-left at (x, y - line height + 1) and x
 * then moves by the character's advance; nothing wraps, the image edge clips.
 * PXK_DrawTrueTypeChar takes a Unicode code point (above U+FFFF too); codes below 32 are
 * controls: 1 italic on, 2 italic off, 3 bold, 4 normal weight, 5 underline on, 6 underline
 * off, 10 new line (y down by the line height, x to the margin); the others do nothing. A
 * style stays in the font until changed back, across calls and commands.
 * PXK_DrawTrueTypeText walks UTF-8 text: each character and control code goes to
 * PXK_DrawTrueTypeChar; a stray invalid byte is skipped and an incomplete sequence at the end
 * is not drawn.
 * PXK_SetTextFontSize gives the font cells of width / 2 by height pixels (heights and widths
 * are limited to 1000 pixels); the line height, and with it the line step, stays that of the
 * last size change even when the font dialog later picks another size. 0 done; 1 the font
 * could not be made, as for a width or height below 1 (the old one and its line height stay). */
void PXK_DrawTrueTypeChar(int code);
void PXK_DrawTrueTypeText(const char* text);
enum { PXK_FONT_DONE = 0, PXK_FONT_NOT_MADE = 1 };
int PXK_SetTextFontSize(int width, int height);

/* ---- Colour test charts on the current image ----
 * Each overwrites the whole image. PXK_DrawHSVChart leaves an image 1 pixel high unchanged.
 * PXK_DrawGreyChart also sets the colour table of an 8-bit image to the grey ramp. */
void PXK_DrawRGBChart(void);
void PXK_DrawHSVChart(void);
void PXK_DrawYCrCbChart(void);
void PXK_DrawYuvChart(void);
void PXK_DrawYIQChart(void);
void PXK_DrawGreyChart(void);

#ifdef __cplusplus
}
#endif

#endif
