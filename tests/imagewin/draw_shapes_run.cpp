// The draw_shapes example run as it is on the headless backend: its text stands inside its
// box, as seen in the window (zoom 200%, so image pixel (x, y) is client pixel (2x, 2y)).
#include "examples/draw_shapes.cpp"

#include <vector>

#include <gtest/gtest.h>

#include "imagewin/image_table.h"
#include "support/harness.h"

namespace {

TEST(DrawShapesExample, TextStaysInsideItsBox) {
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(DriverWaitFor([] { return Running.load() == 1 && image_table[0].in_use.load(); }));
    const WindowId w = image_table[0].window;
    int cw = 0, ch = 0;
    std::vector<uint32_t> px;
    auto at = [&](int x, int y) { return px[(size_t)(2 * y) * cw + 2 * x] & 0xFFFFFF; };
    // The fill of the flood-filled circle is the last thing drawn before the text.
    ASSERT_TRUE(DriverWaitFor([&] {
        px = DriverClientPixels(w, &cw, &ch);
        return cw == 640 && ch == 480 && at(230, 160) == 0xFFFF00u && at(100, 20) == 0x2040A0u;
    }));
    // White is the box's border and the text: every white pixel off the border lies inside.
    int inside = 0, outside = 0;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            if (at(x, y) != 0xFFFFFF) continue;
            const bool on_side = (x == 10 || x == 150) && y >= 10 && y <= 100;
            const bool on_edge = (y == 10 || y == 100) && x >= 10 && x <= 150;
            if (on_side || on_edge) continue;
            if (x > 10 && x < 150 && y > 10 && y < 100) inside++;
            else outside++;
        }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(StopProgram(), 0);
}

}  // namespace
