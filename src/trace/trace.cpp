#include "trace/trace.h"

#include <utility>

namespace quartzmon::trace {
namespace {

struct Dispatcher {
    Sink sink;
    Level most_verbose = Level::Trace;
};

Dispatcher& dispatcher() {
    static Dispatcher instance;
    return instance;
}

}  // namespace

void set_sink(Sink sink, Level most_verbose) {
    dispatcher().sink = std::move(sink);
    dispatcher().most_verbose = most_verbose;
}

bool enabled(Level level) {
    const Dispatcher& d = dispatcher();
    return d.sink && level >= d.most_verbose;
}

void dispatch(Level level, std::string_view target, std::string message) {
    if (!enabled(level)) return;
    dispatcher().sink(Event{level, std::string(target), std::move(message)});
}

}  // namespace quartzmon::trace
