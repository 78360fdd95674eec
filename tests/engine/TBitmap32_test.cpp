#include "engine/TBitmap32.h"

#include <gtest/gtest.h>

TEST(TBitmap32Size, NewStoreIsTransparentBlack) {
    TBitmap32 B;
    EXPECT_TRUE(B.SetSize(3, 2));
    EXPECT_EQ(B.Pixel(2, 1), 0u);
}
