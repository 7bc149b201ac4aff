#include "sensors/disk/enumeration/powershell_drive_letters.h"

#include <gtest/gtest.h>

#include "platform/utf.h"

namespace quartzmon::sensors::disk::enumeration {
namespace {

using platform::utf16_to_utf8;
using platform::utf8_to_utf16;

TEST(QuoteArgument, QuotesAsTheWindowsCommandLineParserReadsIt) {
    const std::pair<std::string, std::string> cases[] = {
        {"-NoProfile", "-NoProfile"},
        {"", "\"\""},
        {"a b", "\"a b\""},
        {"a\tb", "\"a\tb\""},
        {"line\nfeed", "line\nfeed"},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"x\"y", "x\\\"y"},
        {"C:\\dir\\file", "C:\\dir\\file"},
        {"C:\\my dir\\", "\"C:\\my dir\\\\\""},
        {"a\\\"b", "a\\\\\\\"b"},
        {"a\\\\\" b", "\"a\\\\\\\\\\\" b\""},
        {"trailing\\\\", "trailing\\\\"},
        {"\\\\server\\share x", "\"\\\\server\\share x\""},
        {"$($m[1]):$l", "$($m[1]):$l"},
    };
    for (const auto& [argument, expected] : cases)
        EXPECT_EQ(utf16_to_utf8(quote_argument(utf8_to_utf16(argument))), expected) << argument;
}

TEST(ParseDriveLetterLines, ToleratesNoiseLineByLine) {
    const std::pair<std::string, DriveLetterMap> cases[] = {
        {"0:C\n1:D\n", {{0, {U'C'}}, {1, {U'D'}}}},
        {"0:C\r\n1:D\r\n", {{0, {U'C'}}, {1, {U'D'}}}},
        {"0:C\n0:E", {{0, {U'C', U'E'}}}},
        {"0:E\n0:C\n", {{0, {U'E', U'C'}}}},
        {"0:C\n0:C\n", {{0, {U'C', U'C'}}}},
        {"  \t0:C  \n", {{0, {U'C'}}}},
        {"1:d\n", {{1, {U'D'}}}},
        {"2:DE\n", {{2, {U'D'}}}},
        {"+3:F\n", {{3, {U'F'}}}},
        {"++3:F\n-3:F\n 3 :F\n", {}},
        {"x:C\n2:\n3\n:C\n", {}},
        {"4294967295:G\n4294967296:H\n99999999999999999999:I\n", {{4294967295u, {U'G'}}}},
        {"007:Z\n", {{7, {U'Z'}}}},
        {"5:1\n", {{5, {U'1'}}}},
        {"5:\xC3\xA9\n", {{5, {U'\u00E9'}}}},
        {"5:\xF0\x9F\x98\x80x\n", {{5, {U'\U0001F600'}}}},
        {"6:\xFF\n", {{6, {U'\uFFFD'}}}},
        {"\xEF\xBB\xBF"
         "0:C\n1:D\n",
         {{1, {U'D'}}}},  // a byte order mark spoils the first line
        {"0:C:D\n", {{0, {U'C'}}}},
        {"\n\n\r\n", {}},
        {"", {}},
        {"WARNING: something\n0:C\n", {{0, {U'C'}}}},
    };
    for (const auto& [output, expected] : cases)
        EXPECT_EQ(parse_drive_letter_lines(output), expected) << output;
}

}  // namespace
}  // namespace quartzmon::sensors::disk::enumeration
