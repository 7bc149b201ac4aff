#include "platform/simulated/clock.h"

#include <limits>
#include <string>

#include "platform/description/local_time_text.h"

namespace quartzmon::platform::simulated {
namespace {

using namespace std::chrono;

// A fixed, plausible afternoon, and a machine up for two hours.
constexpr std::string_view DEFAULT_LOCAL_TIME = "2024-05-14T14:27:05.250";
constexpr std::uint64_t DEFAULT_TICK_COUNT = 7200000;

sys_time<milliseconds> parse_local_time(const std::string& text, const std::string& place) {
    const auto time = description::local_time_of_text(text);
    if (!time)
        throw DescriptionError{place, "expected a local time such as 2024-05-14T09:05:03.250"};
    return *time;
}

}  // namespace

Clock Clock::read(JsonObject* clock) {
    Clock result;
    result.start_local_ = parse_local_time(std::string(DEFAULT_LOCAL_TIME), "");
    result.start_ticks_ = DEFAULT_TICK_COUNT;
    if (clock == nullptr) return result;
    if (const auto local_time = clock->text("local_time")) {
        result.start_local_ = parse_local_time(*local_time, clock->place_of("local_time"));
    }
    result.start_ticks_ = static_cast<std::uint64_t>(
        clock->integer("tick_count", 0, std::numeric_limits<std::int64_t>::max())
            .value_or(DEFAULT_TICK_COUNT));
    if (const nlohmann::json* readings = clock->find("local_times")) {
        const std::string place = clock->place_of("local_times");
        const nlohmann::json::array_t& texts = read_array(*readings, place);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const std::string element = element_place(place, i);
            result.recorded_local_times_.push_back(
                parse_local_time(read_text(texts[i], element), element));
        }
    }
    if (const nlohmann::json* readings = clock->find("tick_counts")) {
        const std::string place = clock->place_of("tick_counts");
        const nlohmann::json::array_t& ticks = read_array(*readings, place);
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            result.recorded_tick_counts_.push_back(static_cast<std::uint64_t>(read_integer(
                ticks[i], element_place(place, i), 0, std::numeric_limits<std::int64_t>::max())));
        }
    }
    clock->reject_unknown_keys();
    return result;
}

SystemTime Clock::read_local_time() {
    if (local_times_read_ < recorded_local_times_.size()) {
        start_local_ = recorded_local_times_[local_times_read_++] - milliseconds{elapsed_ms_};
    }
    return local_time();
}

// Unsigned arithmetic wraps, so start plus elapsed gives the reading exactly.
std::uint64_t Clock::read_tick_count() {
    if (tick_counts_read_ < recorded_tick_counts_.size()) {
        start_ticks_ = recorded_tick_counts_[tick_counts_read_++] - elapsed_ms_;
    }
    return tick_count();
}

SystemTime Clock::local_time() const {
    const sys_time<milliseconds> now = start_local_ + milliseconds{elapsed_ms_};
    const sys_days day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss<milliseconds> time{now - day};
    SystemTime result;
    result.year = static_cast<std::uint16_t>(static_cast<int>(date.year()));
    result.month = static_cast<std::uint16_t>(static_cast<unsigned>(date.month()));
    result.day_of_week = static_cast<std::uint16_t>(weekday{day}.c_encoding());
    result.day = static_cast<std::uint16_t>(static_cast<unsigned>(date.day()));
    result.hour = static_cast<std::uint16_t>(time.hours().count());
    result.minute = static_cast<std::uint16_t>(time.minutes().count());
    result.second = static_cast<std::uint16_t>(time.seconds().count());
    result.milliseconds = static_cast<std::uint16_t>(time.subseconds().count());
    return result;
}

}  // namespace quartzmon::platform::simulated
