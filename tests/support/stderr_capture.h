// The test process's stderr sent to a file while a capture lives, so that a test can read
// what the program printed there: message boxes of a run without a user (headless with
// PIXKIT_HEADLESS_AUTOANSWER=1) print "caption: text" on stderr and answer at once.
#pragma once

#include <string>

struct StderrCapture {
    StderrCapture();
    ~StderrCapture();
    // Everything printed on stderr since the capture began.
    std::string Text();
    // Whether a message box printed exactly this caption and text.
    bool HasBox(const std::string& caption, const std::string& text);

    int saved_fd = -1;
    std::string path;
};
