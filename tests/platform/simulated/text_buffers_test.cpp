// The three ways a Win32 call hands text back, at the edges where a buffer
// holds the text exactly or falls one unit short.
#include "platform/simulated/text_buffers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quartzmon::platform::simulated {
namespace {

using Copy = std::uint32_t (*)(std::span<char16_t>);

// "C:\T\" is five units; with its zero it needs six.
std::uint32_t copy_path(std::span<char16_t> buffer) {
    return copy_path_text(u"C:\\T\\", buffer);
}
// "Data" with its zero needs five units, and the list's closing zero a sixth.
std::uint32_t copy_list(std::span<char16_t> buffer) {
    return copy_text_list(u"Data", buffer);
}
// An empty buffer is a null pointer: nothing is asked, so nothing fails.
std::uint32_t copy_optional(std::span<char16_t> buffer) {
    return copy_optional_text("NTFS", buffer) ? 1 : 0;
}

TEST(TextBuffers, CopyOrReportAtTheBuffersEdges) {
    struct Case {
        const char* name;
        Copy copy;
        std::size_t buffer_size;
        std::uint32_t result;
        std::u16string written;  // the buffer's start afterwards
    };
    const Case cases[] = {
        {"path fits", copy_path, 6, 5, std::u16string(u"C:\\T\\\0", 6)},
        {"path one short", copy_path, 5, 6, u"xxxxx"},
        {"path size asked", copy_path, 0, 6, u""},
        {"list fits", copy_list, 6, 6, std::u16string(u"Data\0\0", 6)},
        {"list one short", copy_list, 5, 0, u"xxxxx"},
        {"list no buffer", copy_list, 0, 0, u""},
        {"optional fits", copy_optional, 5, 1, std::u16string(u"NTFS\0", 5)},
        {"optional one short", copy_optional, 4, 0, u"xxxx"},
        {"optional not asked", copy_optional, 0, 1, u""},
    };
    for (const Case& c : cases) {
        std::vector<char16_t> buffer(c.buffer_size, u'x');
        EXPECT_EQ(c.copy(buffer), c.result) << c.name;
        EXPECT_EQ(std::u16string(buffer.data(), c.written.size()), c.written) << c.name;
    }
}

}  // namespace
}  // namespace quartzmon::platform::simulated
