// Reading icon files.
#include "icon.h"
#include <vector>
#include "helpers.h"

namespace {

TEST(Icon, TakesTheBitCountFromTheImageWhenTheDirectoryLeavesItAt0) {
    // One 32x32 image at offset 22, its bit count only in its BITMAPINFOHEADER.
    std::vector<std::uint8_t> ico = {0, 0, 1, 0, 1, 0, 32, 32, 0, 0, 1, 0, 0, 0, 40, 0, 0, 0, 22};
    ico.resize(22 + 40);
    ico[22] = 40;
    ico[22 + 14] = 8;
    const auto images = vlicon::ReadIcon(ico.data(), ico.size());
    ASSERT_TRUE(images && images->size() == 1);
    EXPECT_EQ((*images)[0].width, 32);
    EXPECT_EQ((*images)[0].bits, 8);
    EXPECT_FALSE(vlicon::ReadIcon(ico.data(), ico.size() - 1));
}

}  // namespace
