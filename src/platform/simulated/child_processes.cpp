#include "platform/simulated/child_processes.h"

#include <algorithm>
#include <limits>

#include "platform/ascii_case.h"
#include "platform/platform.h"
#include "platform/simulated/win32_codes.h"

namespace quartzmon::platform::simulated {
namespace {

Program read_program(JsonObject& object, const std::string& path) {
    Program program;
    program.path = path;
    program.start_error = object.u32("start_error").value_or(0);
    if (const auto text = object.text("stdout")) {
        program.output.assign(text->begin(), text->end());
    } else if (auto bytes = object.hex_bytes("stdout_hex")) {
        program.output = std::move(*bytes);
    }
    program.exit_code = object.u32("exit_code").value_or(0);
    const auto exits_after =
        object.integer("exits_after_ms", 0, std::numeric_limits<std::int64_t>::max());
    if (object.boolean("never_exits").value_or(false)) {
        if (exits_after)
            throw DescriptionError{object.place_of("exits_after_ms"),
                                   "not allowed with \"never_exits\""};
    } else {
        program.exits_after_ms = static_cast<std::uint64_t>(exits_after.value_or(0));
    }
    object.reject_unknown_keys();
    return program;
}

}  // namespace

std::vector<Program> read_programs(JsonObject& programs) {
    std::vector<Program> result;
    for (const auto& [path, value] : programs.members()) {
        JsonObject object(*value, programs.place_of(path));
        result.push_back(read_program(object, path));
    }
    return result;
}

const Program* find_program(const std::vector<Program>& programs, const std::string& path) {
    for (const Program& program : programs) {
        if (equal_ignoring_case(program.path, path)) return &program;
    }
    return nullptr;
}

Child::Child(const Program& program, const Clock& clock)
    : output_(program.output), exit_code_(program.exit_code) {
    if (program.exits_after_ms) exits_at_ms_ = clock.elapsed_ms() + *program.exits_after_ms;
}

bool Child::has_exited(const Clock& clock) const {
    return exits_at_ms_ && clock.elapsed_ms() >= *exits_at_ms_;
}

// A read of an empty pipe waits for the child to write or exit. All output is
// in the pipe from the start, so it waits for the exit; a child that never
// exits would block the reader forever, which the simulation answers like a
// pipe that cannot wait.
PipeRead Child::read(std::span<std::uint8_t> buffer, Clock& clock) {
    if (bytes_available() == 0 && !buffer.empty()) {
        if (!exits_at_ms_) return {ERROR_NO_DATA, 0};
        if (!has_exited(clock)) clock.advance(*exits_at_ms_ - clock.elapsed_ms());
        return {ERROR_BROKEN_PIPE, 0};
    }
    const std::size_t count = std::min<std::size_t>(buffer.size(), bytes_available());
    std::copy_n(output_.begin() + static_cast<std::ptrdiff_t>(read_), count, buffer.begin());
    read_ += count;
    return {0, static_cast<std::uint32_t>(count)};
}

std::uint32_t Child::peek_error(const Clock& clock) const {
    return bytes_available() == 0 && has_exited(clock) ? ERROR_BROKEN_PIPE : 0;
}

// Waiting passes simulated time: up to the child's exit, at most the time
// given. An endless wait on a child that never exits cannot be simulated and
// fails.
WaitOutcome Child::wait(std::uint32_t milliseconds, Clock& clock) {
    if (has_exited(clock)) return {WAIT_OBJECT_0, 0};
    if (!exits_at_ms_) {
        if (milliseconds == INFINITE) return {WAIT_FAILED, ERROR_INVALID_PARAMETER};
        clock.advance(milliseconds);
        return {WAIT_TIMEOUT, 0};
    }
    const std::uint64_t remaining = *exits_at_ms_ - clock.elapsed_ms();
    if (milliseconds != INFINITE && remaining > milliseconds) {
        clock.advance(milliseconds);
        return {WAIT_TIMEOUT, 0};
    }
    clock.advance(remaining);
    return {WAIT_OBJECT_0, 0};
}

std::uint32_t Child::exit_code(const Clock& clock) const {
    return has_exited(clock) ? exit_code_ : STILL_ACTIVE;
}

std::uint32_t Child::terminate(std::uint32_t exit_code, const Clock& clock) {
    if (has_exited(clock)) return ERROR_ACCESS_DENIED;
    exits_at_ms_ = clock.elapsed_ms();
    exit_code_ = exit_code;
    return 0;
}

}  // namespace quartzmon::platform::simulated
