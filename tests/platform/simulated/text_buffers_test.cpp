// The three ways a Win32 call hands text back, at the edges where a buffer
// holds the text exactly or falls one unit short.
#include "platform/simulated/text_buffers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quartzmon::platform::simulated {
namespace {

struct CopyCase {
    std::size_t buffer_size;
    std::uint32_t result;
    std::u16string written;  // the buffer's start afterwards
};

// "C:\T\" is five units; with its zero it needs six.
class PathTextTest : public ::testing::TestWithParam<CopyCase> {};

TEST_P(PathTextTest, ReturnsTheLengthOrTheSizeNeeded) {
    const CopyCase& expected = GetParam();
    std::vector<char16_t> buffer(expected.buffer_size, u'x');
    EXPECT_EQ(copy_path_text(u"C:\\T\\", buffer), expected.result);
    EXPECT_EQ(std::u16string(buffer.data(), expected.written.size()), expected.written);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PathTextTest,
                         ::testing::Values(CopyCase{6, 5, std::u16string(u"C:\\T\\\0", 6)},
                                           CopyCase{5, 6, u"xxxxx"}, CopyCase{0, 6, u""}));

// "Data" with its zero needs five units, and the list's closing zero a sixth.
class TextListTest : public ::testing::TestWithParam<CopyCase> {};

TEST_P(TextListTest, ReturnsTheUnitsWrittenOrNothing) {
    const CopyCase& expected = GetParam();
    std::vector<char16_t> buffer(expected.buffer_size, u'x');
    EXPECT_EQ(copy_text_list(u"Data", buffer), expected.result);
    EXPECT_EQ(std::u16string(buffer.data(), expected.written.size()), expected.written);
}

INSTANTIATE_TEST_SUITE_P(Sizes, TextListTest,
                         ::testing::Values(CopyCase{6, 6, std::u16string(u"Data\0\0", 6)},
                                           CopyCase{5, 0, u"xxxxx"}, CopyCase{0, 0, u""}));

struct OptionalCase {
    std::size_t buffer_size;
    bool copied;
    std::u16string written;
};

class OptionalTextTest : public ::testing::TestWithParam<OptionalCase> {};

// An empty buffer is a null pointer: nothing is asked, so nothing fails.
TEST_P(OptionalTextTest, CopiesWhenItFits) {
    const OptionalCase& expected = GetParam();
    std::vector<char16_t> buffer(expected.buffer_size, u'x');
    EXPECT_EQ(copy_optional_text("NTFS", buffer), expected.copied);
    EXPECT_EQ(std::u16string(buffer.data(), expected.written.size()), expected.written);
}

INSTANTIATE_TEST_SUITE_P(Sizes, OptionalTextTest,
                         ::testing::Values(OptionalCase{5, true, std::u16string(u"NTFS\0", 5)},
                                           OptionalCase{4, false, u"xxxx"},
                                           OptionalCase{0, true, u""}));

}  // namespace
}  // namespace quartzmon::platform::simulated
