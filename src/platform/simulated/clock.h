// Simulated time. It passes only when the machine says so (a wait on a child
// process that has not exited), so a long time limit is tested without
// waiting. The local clock starts at a described time and moves with it.
//
// A captured run brings the readings its machine gave ("tick_counts",
// "local_times"): the Platform calls answer them in order, each one setting
// the clock, so a replayed run sees the same values and, once they are used
// up, time goes on from the last one as simulated time passes.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "platform/simulated/description_reader.h"

namespace quartzmon::platform::simulated {

class Clock {
public:
    // "clock": { "local_time": "2024-05-14T09:05:03.250", "tick_count": 7200000 }
    static Clock read(JsonObject* clock);

    SystemTime local_time() const;
    std::uint64_t tick_count() const { return start_ticks_ + elapsed_ms_; }
    // GetLocalTime and GetTickCount64: the next recorded reading if one is
    // left, else the clock as it stands.
    SystemTime read_local_time();
    std::uint64_t read_tick_count();
    std::uint64_t elapsed_ms() const { return elapsed_ms_; }
    void advance(std::uint64_t milliseconds) { elapsed_ms_ += milliseconds; }

private:
    std::chrono::sys_time<std::chrono::milliseconds> start_local_;
    std::uint64_t start_ticks_ = 0;
    std::uint64_t elapsed_ms_ = 0;
    std::vector<std::chrono::sys_time<std::chrono::milliseconds>> recorded_local_times_;
    std::vector<std::uint64_t> recorded_tick_counts_;
    std::size_t local_times_read_ = 0;
    std::size_t tick_counts_read_ = 0;
};

}  // namespace quartzmon::platform::simulated
