// TrueType text in images: the image text font and its changes. Every change (a style code,
// a size change, a face picked in the font dialog) makes the new font first, swaps it in as
// image_text_font and only then lets the old one go, so nothing ever draws with a deleted
// font. Fonts of earlier styles are kept in a small cache, so text that switches styles
// every few characters finds their glyphs already drawn instead of making the font again.
// Everything here runs on the worker thread, like the image windows that use it.
#pragma once

struct FontDesc;

// Makes image_text_font the font of desc (a kept font with this very description when there
// is one). 0 done; 1 the font could not be made, and the current one stays.
int SetImageTextFont(const FontDesc* desc);
