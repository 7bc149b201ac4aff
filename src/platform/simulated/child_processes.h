// Programs a child process can be started from, and the children started: each
// child's standard output sits in its pipe from the start; the child exits a
// described number of simulated milliseconds after it started, or never.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/simulated/clock.h"
#include "platform/simulated/description_reader.h"

namespace quartzmon::platform::simulated {

struct Program {
    std::string path;  // full application path, matched without regard to case
    std::uint32_t start_error = 0;
    std::vector<std::uint8_t> output;
    std::uint32_t exit_code = 0;
    std::optional<std::uint64_t> exits_after_ms;  // absent: never exits
};

// "programs": { "C:\\...\\x.exe": { "stdout": "text" or "stdout_hex": "..",
//   "exit_code": 0, "exits_after_ms": 0, "never_exits": false, "start_error": 2 } }
std::vector<Program> read_programs(JsonObject& programs);
const Program* find_program(const std::vector<Program>& programs, const std::string& path);

// Results of the pipe and process calls, as the Win32 calls give them.
struct PipeRead {
    std::uint32_t error = 0;  // 0: ReadFile returns TRUE
    std::uint32_t bytes = 0;
};

struct WaitOutcome {
    std::uint32_t result = 0;  // WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED
    std::uint32_t error = 0;   // for WAIT_FAILED
};

class Child {
public:
    Child(const Program& program, const Clock& clock);

    std::uint32_t bytes_available() const {
        return static_cast<std::uint32_t>(output_.size() - read_);
    }
    bool has_exited(const Clock& clock) const;

    PipeRead read(std::span<std::uint8_t> buffer, Clock& clock);
    // PeekNamedPipe: fails with ERROR_BROKEN_PIPE once the child has exited
    // and everything was read.
    std::uint32_t peek_error(const Clock& clock) const;
    WaitOutcome wait(std::uint32_t milliseconds, Clock& clock);
    // GetExitCodeProcess's value: STILL_ACTIVE while running.
    std::uint32_t exit_code(const Clock& clock) const;
    // TerminateProcess: 0, or the error when the child has already exited.
    std::uint32_t terminate(std::uint32_t exit_code, const Clock& clock);

private:
    std::vector<std::uint8_t> output_;
    std::size_t read_ = 0;
    std::optional<std::uint64_t> exits_at_ms_;  // on the clock's elapsed time
    std::uint32_t exit_code_ = 0;
};

}  // namespace quartzmon::platform::simulated
