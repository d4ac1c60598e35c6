// Top-level windows of the tests' own classes, made in one call.
#pragma once

#include "platform/window/window.h"

// Creates a top-level window of an already registered class on the calling thread, with its
// outer rectangle at (x, y), width x height, and the menu bar it takes over (or none).
WindowId MakeTopWindow(const char* class_name, int x, int y, int width, int height,
                       uint32_t style = STYLE_CAPTION | STYLE_VISIBLE, const char16_t* text = nullptr,
                       Menu* menu = nullptr);
