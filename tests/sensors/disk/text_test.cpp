#include "sensors/disk/text.h"

#include <gtest/gtest.h>

#include <limits>

namespace quartzmon::sensors::disk {
namespace {

TEST(Text, OneDecimalRoundsTheExactValueHalfToEven) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {45.0f, "45.0"},
        {36.25f, "36.2"},  // exactly half: to the even neighbour
        {36.75f, "36.8"},
        {36.35f, "36.3"},  // the float is 36.3499984..., below half
        {0.35f, "0.3"},    // the float is 0.3499999..., below half
        {0.05f, "0.1"},    // the float is 0.0500000007..., above half
        {0.25f, "0.2"},
        {-5.0f, "-5.0"},
        {-36.75f, "-36.8"},
        {-0.04f, "-0.0"},
        {0.0f, "0.0"},
        {99.96f, "100.0"},
        {1e10f, "10000000000.0"},
        // Past 2^64 the digits are still the float's exact value.
        {1.8446743e19f, "18446742974197923840.0"},
        {18446744073709551616.0f, "18446744073709551616.0"},
        {1e20f, "100000002004087734272.0"},
        {-3e38f, "-300000000549775575777803994281145270272.0"},
        {std::numeric_limits<float>::max(), "340282346638528859811704183484516925440.0"},
        {std::numeric_limits<float>::quiet_NaN(), "NaN"},
        {-std::numeric_limits<float>::infinity(), "-inf"},
    };
    for (const auto& c : cases) EXPECT_EQ(one_decimal(c.value), c.text) << c.text;
    EXPECT_EQ(celsius_text(45.0f), "45.0°C");
}

TEST(Text, WholeNumberRoundsHalfToEven) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {36.4f, "36"},
        {36.6f, "37"},
        {36.5f, "36"},
        {37.5f, "38"},
        {0.5f, "0"},
        {-2.5f, "-2"},
        {-2.6f, "-3"},
        {149.0f, "149"},
        {std::numeric_limits<float>::infinity(), "inf"},
        {1e20f, "100000002004087734272"},
        {-3e38f, "-300000000549775575777803994281145270272"},
        {std::numeric_limits<float>::max(), "340282346638528859811704183484516925440"},
    };
    for (const auto& c : cases) EXPECT_EQ(whole_number(c.value), c.text) << c.text;
}

TEST(Text, HexAndClock) {
    EXPECT_EQ(hex2(0x0A), "0A");
    EXPECT_EQ(hex2(0xB0), "B0");
    EXPECT_EQ(hex2(0), "00");
    EXPECT_EQ(hex4(0x0BDA), "0BDA");
    EXPECT_EQ(hex4(0xFFFF), "FFFF");
    platform::SystemTime time;
    time.hour = 9;
    time.minute = 5;
    time.second = 3;
    EXPECT_EQ(clock_text(time), "09:05:03");
}

TEST(Text, DebugForms) {
    EXPECT_EQ(optional_text_debug(std::string("ASMedia")), "Some(\"ASMedia\")");
    EXPECT_EQ(optional_text_debug(std::nullopt), "None");
    EXPECT_EQ(optional_text_debug(std::string("")), "Some(\"\")");
    EXPECT_EQ(quoted_debug("a\"b\\c\td\re\nf'g"), "\"a\\\"b\\\\c\\td\\re\\nf'g\"");
    EXPECT_EQ(quoted_debug(std::string("\0\x01\x1f\x7f", 4)), "\"\\0\\u{1}\\u{1f}\\u{7f}\"");
    // C1 control characters are control characters too; other non-ASCII stays.
    EXPECT_EQ(quoted_debug("\xC2\x85 é 注"), "\"\\u{85} é 注\"");
    EXPECT_EQ(optional_number_debug(194), "Some(194)");
    EXPECT_EQ(optional_number_debug(std::nullopt), "None");
    EXPECT_EQ(letters_debug({U'C', U'E'}), "['C', 'E']");
    EXPECT_EQ(letters_debug({}), "[]");
    EXPECT_EQ(letters_debug({U'\'', U'"'}), "['\\'', '\"']");
}

TEST(Text, AsciiUpperLeavesOtherBytes) {
    EXPECT_EQ(ascii_upper("abz-AZ é0"), "ABZ-AZ é0");
}

TEST(Text, TrimWhiteSpace) {
    const std::string every_white_space =
        "\t\n\v\f\r \xC2\x85\xC2\xA0\xE1\x9A\x80"
        "\xE2\x80\x80\xE2\x80\x81\xE2\x80\x82\xE2\x80\x83\xE2\x80\x84\xE2\x80\x85"
        "\xE2\x80\x86\xE2\x80\x87\xE2\x80\x88\xE2\x80\x89\xE2\x80\x8A"
        "\xE2\x80\xA8\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\x9F\xE3\x80\x80";
    const struct {
        std::string text;
        std::string trimmed;
    } cases[] = {
        {"  Samsung SSD  ", "Samsung SSD"},
        {every_white_space + "WD\u00A0Blue" + every_white_space, "WD\u00A0Blue"},
        {every_white_space, ""},
        {"", ""},
        {"\xE2\x80\x8BX\xE2\x80\x8B", "\xE2\x80\x8BX\xE2\x80\x8B"},  // zero width space stays
        {"\xEF\xBB\xBFX", "\xEF\xBB\xBFX"},                          // so does the byte order mark
        {"\x1CX\x1F", "\x1CX\x1F"},  // separators are not white space
        {"\xE3\x80\x80注\xE3\x80\x80", "注"},
    };
    for (const auto& c : cases) EXPECT_EQ(trim_white_space(c.text), c.trimmed) << c.text;
}

}  // namespace
}  // namespace quartzmon::sensors::disk
