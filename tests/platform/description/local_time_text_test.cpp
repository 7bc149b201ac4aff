#include "platform/description/local_time_text.h"

#include <gtest/gtest.h>

namespace quartzmon::platform::description {
namespace {

using namespace std::chrono;

TEST(LocalTimeOfText, ReadsOnlyTheDescriptionsOwnForm) {
    struct Case {
        const char* text;
        std::optional<LocalTime> time;
    };
    const LocalTime afternoon = sys_days{2024y / May / 14} + 14h + 27min + 5s;
    const Case cases[] = {
        {"2024-05-14T14:27:05", afternoon},
        {"2024-05-14T14:27:05.250", afternoon + 250ms},
        {"2024-02-29T00:00:00.000", sys_days{2024y / February / 29}},
        {"2024-02-30T10:00:00", std::nullopt},
        {"2024-05-14T24:00:00", std::nullopt},
        {"2024-05-14T14:60:05", std::nullopt},
        {"2024-05-14 14:27:05", std::nullopt},
        {"2024-05-14T14:27:05.25", std::nullopt},
        {"2024-05-14T14:27:05,250", std::nullopt},
        {"+024-05-14T14:27:05", std::nullopt},
        {"2024-5-14T14:27:05", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(local_time_of_text(c.text), c.time) << c.text;
}

TEST(LocalTimeText, WritesWhatItReads) {
    const SystemTime time{2024, 5, 2, 14, 9, 5, 3, 7};
    EXPECT_EQ(local_time_text(time), "2024-05-14T09:05:03.007");
    EXPECT_EQ(local_time_text(time, ' '), "2024-05-14 09:05:03.007");
    EXPECT_TRUE(local_time_of_text(local_time_text(time)));
}

}  // namespace
}  // namespace quartzmon::platform::description
