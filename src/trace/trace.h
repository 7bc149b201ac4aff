// Levelled diagnostic events (TRACE to ERROR), each with a target path and one
// message. The program installs no sink, so in a normal run an event costs one
// comparison and its message is never even formatted: callers pass the message
// as a function that is only called when a sink admits the event's level.
// Tests install a sink to see targets, levels and messages.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace quartzmon::trace {

enum class Level { Trace, Debug, Info, Warn, Error };

struct Event {
    Level level;
    std::string target;
    std::string message;
};

using Sink = std::function<void(const Event&)>;

// Installs the process-wide sink; events more verbose than most_verbose are
// dropped before their message is formatted. An empty sink removes it.
void set_sink(Sink sink, Level most_verbose = Level::Trace);

bool enabled(Level level);
void dispatch(Level level, std::string_view target, std::string message);

template <typename MakeMessage>
void emit(Level level, std::string_view target, MakeMessage&& make_message) {
    if (enabled(level)) dispatch(level, target, make_message());
}

// Installs a sink for the lifetime of the object, for tests.
class ScopedSink {
public:
    explicit ScopedSink(Sink sink, Level most_verbose = Level::Trace) {
        set_sink(std::move(sink), most_verbose);
    }
    ~ScopedSink() { set_sink(nullptr); }
    ScopedSink(const ScopedSink&) = delete;
    ScopedSink& operator=(const ScopedSink&) = delete;
};

}  // namespace quartzmon::trace
