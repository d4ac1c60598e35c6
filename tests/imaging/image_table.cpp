// The image table's selection: the current image, the eight-deep history, refusals of free
// slots and bad indices, popping onto destroyed slots, and clearing an image.
#include "image_fixture.h"

namespace {

using TableTest = ImagingTest;

std::vector<int> History() {
    std::vector<int> h;
    for (int i = 0; i < IMAGE_HISTORY; i++) h.push_back(image_history[i].load());
    return h;
}

TEST_F(TableTest, StartsAtImageZeroWithAnEmptyHistory) {
    EXPECT_EQ(CurrentImageIndex(), 0);
    EXPECT_EQ(History(), std::vector<int>(8, 0));
    for (int i = 0; i < IMAGE_SLOTS; i++) EXPECT_EQ(image_table[i].in_use.load(), 0);
}

TEST_F(TableTest, SelectPushesAndPreviousPops) {
    for (int i = 1; i <= 3; i++) MakeTestImage(i, 4, 4, 32);   // selects 1, 2, 3 in turn
    EXPECT_EQ(CurrentImageIndex(), 3);
    EXPECT_EQ(History(), (std::vector<int>{2, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(PXK_SelectImage(1), 0);
    EXPECT_EQ(History(), (std::vector<int>{3, 2, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(PXK_SelectPreviousImage(), 0);
    EXPECT_EQ(CurrentImageIndex(), 3);
    EXPECT_EQ(History(), (std::vector<int>{2, 1, 0, 0, 0, 0, 0, 0}));
}

TEST_F(TableTest, BadIndicesAndFreeSlotsChangeNothing) {
    MakeTestImage(5, 4, 4, 32);
    MakeTestImage(6, 4, 4, 32);
    const std::vector<int> before = History();
    EXPECT_EQ(PXK_SelectImage(300), 1);
    EXPECT_EQ(PXK_SelectImage(256), 1);
    EXPECT_EQ(PXK_SelectImage(-1), 1);
    EXPECT_EQ(PXK_SelectImage(7), 1);
    EXPECT_EQ(CurrentImageIndex(), 6);
    EXPECT_EQ(History(), before);
}

TEST_F(TableTest, HistoryKeepsEightAndTheOldestRepeats) {
    for (int i = 1; i <= 10; i++) MakeTestImage(i, 2, 2, 8);
    EXPECT_EQ(History(), (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2}));
    std::vector<int> popped;
    for (int i = 0; i < 10; i++) {
        ASSERT_EQ(PXK_SelectPreviousImage(), 0);
        popped.push_back(CurrentImageIndex());
    }
    EXPECT_EQ(popped, (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 2, 2}));
}

TEST_F(TableTest, PopOntoAFreedSlotIsRefused) {
    MakeTestImage(1, 3, 3, 32);
    MakeTestImage(2, 3, 3, 32);
    MakeTestImage(3, 3, 3, 32);
    // Destroying the current image and popping makes the previous one current again.
    image_table[3].in_use.store(0);
    EXPECT_EQ(PXK_SelectPreviousImage(), 0);
    EXPECT_EQ(CurrentImageIndex(), 2);
    image_table[1].in_use.store(0);
    const std::vector<int> before = History();
    EXPECT_EQ(PXK_SelectPreviousImage(), 1);
    EXPECT_EQ(CurrentImageIndex(), 2);
    EXPECT_EQ(History(), before);
}

TEST_F(TableTest, ClearImageZeroesAnySlotIncludingPadding) {
    MakeTestImage(4, 5, 3, 8);
    MakeTestImage(9, 3, 2, 32);
    std::vector<uint8_t> full4(8 * 3, 0xEE), full9(3 * 2 * 4, 0xEE);
    SetImageBytes(4, full4);
    SetImageBytes(9, full9);
    PXK_ClearImage(4);   // not the current image
    EXPECT_EQ(ImageBytes(4), std::vector<uint8_t>(24, 0));
    EXPECT_EQ(ImageBytes(9), full9);
    image_table[9].in_use.store(0);
    PXK_ClearImage(9);
    PXK_ClearImage(256);
    PXK_ClearImage(-1);
    EXPECT_EQ(ImageBytes(9), full9);
}

}  // namespace
