#include <gtest/gtest.h>

#include "common/Bitmap.h"
#include "common/MemoryLimit.h"

namespace velmora {
namespace {

TEST(PictureMemoryLimit, DefaultsToAUsableBudgetAndCanBeOverridden) {
    const std::size_t automatic = PictureMemoryLimit();
    EXPECT_GE(automatic, std::size_t(256) << 20);
    EXPECT_LE(automatic, std::size_t(1) << 34);
    SetPictureMemoryLimit(1 << 20);
    EXPECT_EQ(PictureMemoryLimit(), std::size_t(1) << 20);
    // 600 x 600 needs 1,080,000 bytes: more than the budget.
    EXPECT_FALSE(CheckPictureSize(600, 600, PictureMemoryLimit()).empty());
    EXPECT_TRUE(CheckPictureSize(500, 500, PictureMemoryLimit()).empty());
    SetPictureMemoryLimit(0);
    EXPECT_EQ(PictureMemoryLimit(), automatic);
}

}  // namespace
}  // namespace velmora
