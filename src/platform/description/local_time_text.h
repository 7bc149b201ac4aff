// Local times in a machine description: "2024-05-14T09:05:03.250" (ISO 8601
// without a zone, as GetLocalTime reads the clock; the milliseconds may be
// left out when read).
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace quartzmon::platform::description {

using LocalTime = std::chrono::sys_time<std::chrono::milliseconds>;

// The time with its milliseconds; the call log puts a space between date and
// time, as people read it.
std::string local_time_text(const SystemTime& time, char between_date_and_time = 'T');

// "YYYY-MM-DDTHH:MM:SS" with an optional ".mmm", a real calendar date and time
// of day; nothing for anything else.
std::optional<LocalTime> local_time_of_text(std::string_view text);

}  // namespace quartzmon::platform::description
