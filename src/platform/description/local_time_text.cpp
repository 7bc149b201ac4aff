#include "platform/description/local_time_text.h"

#include <cstdio>
#include <optional>

namespace quartzmon::platform::description {

using namespace std::chrono;

namespace {

// Where each field of "YYYY-MM-DDTHH:MM:SS.mmm" starts, and how long it is.
struct Field {
    std::size_t at;
    std::size_t digits;
};
constexpr Field YEAR{0, 4}, MONTH{5, 2}, DAY{8, 2}, HOUR{11, 2}, MINUTE{14, 2}, SECOND{17, 2},
    MILLISECOND{20, 3};
constexpr std::string_view SEPARATORS = "--T::";  // at 4, 7, 10, 13 and 16
constexpr std::size_t SECONDS_TEXT_LENGTH = 19;
constexpr std::size_t MILLISECONDS_TEXT_LENGTH = 23;
constexpr std::size_t FRACTION_POINT = 19;

// The field's decimal digits; nothing when one of them is not a digit.
// (By hand rather than with sscanf, which would bring the whole scanf
// implementation into the Windows executables.)
std::optional<unsigned> field_value(std::string_view text, Field field) {
    unsigned value = 0;
    for (const char c : text.substr(field.at, field.digits)) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

bool has_separators(std::string_view text) {
    for (std::size_t i = 0; i < SEPARATORS.size(); ++i)
        if (text[4 + 3 * i] != SEPARATORS[i]) return false;
    return true;
}

}  // namespace

std::string local_time_text(const SystemTime& time, char between_date_and_time) {
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u%c%02u:%02u:%02u.%03u", time.year, time.month,
                  time.day, between_date_and_time, time.hour, time.minute, time.second,
                  time.milliseconds);
    return text;
}

std::optional<LocalTime> local_time_of_text(std::string_view text) {
    const bool with_milliseconds = text.size() == MILLISECONDS_TEXT_LENGTH;
    if (text.size() != SECONDS_TEXT_LENGTH && !with_milliseconds) return std::nullopt;
    if (!has_separators(text)) return std::nullopt;
    if (with_milliseconds && text[FRACTION_POINT] != '.') return std::nullopt;
    const auto year = field_value(text, YEAR), month = field_value(text, MONTH),
               day = field_value(text, DAY), hour = field_value(text, HOUR),
               minute = field_value(text, MINUTE), second = field_value(text, SECOND);
    const auto millisecond = with_milliseconds ? field_value(text, MILLISECOND) : 0u;
    if (!year || !month || !day || !hour || !minute || !second || !millisecond) return std::nullopt;
    const year_month_day date{std::chrono::year{static_cast<int>(*year)},
                              std::chrono::month{*month}, std::chrono::day{*day}};
    if (!date.ok() || *hour > 23 || *minute > 59 || *second > 59) return std::nullopt;
    return sys_days{date} + hours{*hour} + minutes{*minute} + seconds{*second} +
           milliseconds{*millisecond};
}

}  // namespace quartzmon::platform::description
