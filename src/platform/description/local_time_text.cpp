#include "platform/description/local_time_text.h"

#include <cstdio>

namespace quartzmon::platform::description {

using namespace std::chrono;

namespace {

constexpr std::size_t SECONDS_TEXT_LENGTH = 19;       // YYYY-MM-DDTHH:MM:SS
constexpr std::size_t MILLISECONDS_TEXT_LENGTH = 23;  // and .mmm

}  // namespace

std::string local_time_text(const SystemTime& time, char between_date_and_time) {
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u%c%02u:%02u:%02u.%03u", time.year, time.month,
                  time.day, between_date_and_time, time.hour, time.minute, time.second,
                  time.milliseconds);
    return text;
}

std::optional<LocalTime> local_time_of_text(std::string_view text) {
    // sscanf needs the terminating zero a string_view does not promise.
    const std::string terminated(text);
    int year = 0;
    unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
    int consumed = 0;
    const int fields = std::sscanf(terminated.c_str(), "%4d-%2u-%2uT%2u:%2u:%2u%n", &year, &month,
                                   &day, &hour, &minute, &second, &consumed);
    bool valid = fields == 6 && static_cast<std::size_t>(consumed) == SECONDS_TEXT_LENGTH;
    if (valid && terminated.size() > SECONDS_TEXT_LENGTH) {
        int fraction_end = 0;
        valid = terminated.size() == MILLISECONDS_TEXT_LENGTH &&
                std::sscanf(terminated.c_str() + SECONDS_TEXT_LENGTH, ".%3u%n", &millisecond,
                            &fraction_end) == 1 &&
                fraction_end == 4;
    }
    const year_month_day date{std::chrono::year{year}, std::chrono::month{month},
                              std::chrono::day{day}};
    if (!valid || !date.ok() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
    return sys_days{date} + hours{hour} + minutes{minute} + seconds{second} +
           milliseconds{millisecond};
}

}  // namespace quartzmon::platform::description
