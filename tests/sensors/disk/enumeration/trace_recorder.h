// Records the trace events a test provokes, each as "LEVEL target: message".
#pragma once

#include <string>
#include <vector>

#include "trace/trace.h"

namespace quartzmon::test_support {

class TraceRecorder {
public:
    explicit TraceRecorder(trace::Level most_verbose = trace::Level::Trace)
        : sink_([this](const trace::Event& event) { events_.push_back(text_of(event)); },
                most_verbose) {}

    const std::vector<std::string>& events() const { return events_; }

private:
    static std::string text_of(const trace::Event& event) {
        static constexpr const char* LEVELS[] = {"TRACE", "DEBUG", "INFO", "WARN", "ERROR"};
        return std::string(LEVELS[static_cast<int>(event.level)]) + " " + event.target + ": " +
               event.message;
    }

    std::vector<std::string> events_;
    trace::ScopedSink sink_;
};

}  // namespace quartzmon::test_support
