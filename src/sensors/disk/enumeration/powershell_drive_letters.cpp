#include "sensors/disk/enumeration/powershell_drive_letters.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/utf.h"
#include "platform/windows_layouts.h"
#include "sensors/disk/text.h"

namespace quartzmon::sensors::disk::enumeration {

using namespace quartzmon::platform;

namespace {

// Windows PowerShell is started from the system directory by its full path:
// a search by name would look in the program's own folder and the current
// folder first, where anyone who can write there could plant a program that
// then runs with the sensor's (possibly elevated) rights.
constexpr std::u16string_view POWERSHELL_UNDER_SYSTEM_DIRECTORY =
    u"\\WindowsPowerShell\\v1.0\\powershell.exe";
// No profile scripts, no prompts; the script follows as one argument.
constexpr std::array<std::u16string_view, 3> POWERSHELL_OPTIONS{u"-NoProfile", u"-NonInteractive",
                                                                u"-Command"};

// A CIM query that stalls must not keep this short-lived worker alive: the
// widget waits for its result.
constexpr std::uint64_t CHILD_TIME_LIMIT_MS = 60'000;
constexpr std::uint32_t OUTPUT_POLL_MS = 50;
constexpr std::size_t READ_CHUNK_SIZE = 4096;
constexpr std::uint32_t TERMINATED_EXIT_CODE = 1;

struct FinishedChild {
    std::uint32_t exit_code = 0;
    std::string output;
};

std::optional<std::u16string> powershell_path(Platform& platform) {
    std::array<char16_t, layout::MAX_PATH> buffer{};
    const std::uint32_t length = platform.get_system_directory(buffer);
    if (length == 0 || length >= buffer.size()) return std::nullopt;
    return std::u16string(buffer.data(), length) +
           std::u16string(POWERSHELL_UNDER_SYSTEM_DIRECTORY);
}

std::u16string powershell_command_line(const std::u16string& program) {
    std::u16string command_line = u"\"" + program + u"\"";
    for (const std::u16string_view option : POWERSHELL_OPTIONS)
        command_line += u" " + quote_argument(option);
    return command_line + u" " + quote_argument(utf8_to_utf16(DRIVE_LETTER_SCRIPT));
}

// Reads what the pipe holds right now; false when it holds nothing or is closed.
bool read_available_output(Platform& platform, Handle pipe, std::string& output) {
    std::uint32_t available = 0;
    if (!platform.peek_named_pipe(pipe, available) || available == 0) return false;
    std::vector<std::uint8_t> chunk(std::min<std::size_t>(available, READ_CHUNK_SIZE));
    std::uint32_t read = 0;
    if (!platform.read_file(pipe, chunk, read) || read == 0) return false;
    output.append(chunk.begin(), chunk.begin() + std::min<std::size_t>(read, chunk.size()));
    return true;
}

void close_child(Platform& platform, const ChildProcess& child) {
    platform.close_handle(child.stdout_read);
    platform.close_handle(child.process);
}

std::optional<FinishedChild> abandon_child(Platform& platform, const ChildProcess& child) {
    platform.terminate_process(child.process, TERMINATED_EXIT_CODE);
    close_child(platform, child);
    return std::nullopt;
}

// Reads the child's output while waiting for it to exit, so a full pipe never
// stalls it, within the time limit for exit and output together.
std::optional<FinishedChild> run_child(Platform& platform, const std::u16string& program,
                                       const std::u16string& command_line) {
    ChildProcess child;
    if (!platform.create_process_with_output_pipe(program, command_line, CREATE_NO_WINDOW, child))
        return std::nullopt;
    const std::uint64_t deadline = platform.get_tick_count64() + CHILD_TIME_LIMIT_MS;

    FinishedChild finished;
    bool exited = false;
    while (true) {
        const bool got_output = read_available_output(platform, child.stdout_read, finished.output);
        if (exited && !got_output) break;
        const std::uint64_t now = platform.get_tick_count64();
        if (now >= deadline) return abandon_child(platform, child);
        if (exited) continue;
        const auto wait_ms = static_cast<std::uint32_t>(
            got_output ? 0 : std::min<std::uint64_t>(OUTPUT_POLL_MS, deadline - now));
        const std::uint32_t state = platform.wait_for_single_object(child.process, wait_ms);
        if (state == WAIT_OBJECT_0)
            exited = true;
        else if (state != WAIT_TIMEOUT)
            return abandon_child(platform, child);
    }
    const bool have_exit_code = platform.get_exit_code_process(child.process, finished.exit_code);
    close_child(platform, child);
    if (!have_exit_code) return std::nullopt;
    return finished;
}

// Digits only, one leading plus sign allowed, at most 4294967295.
std::optional<std::uint32_t> parse_disk_number(std::string_view text) {
    if (text.starts_with('+')) text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > UINT32_MAX) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

// The first Unicode scalar value of non-empty, valid UTF-8 text.
char32_t first_scalar(std::string_view text) {
    const std::u16string units = utf8_to_utf16(text.substr(0, 4));
    const char16_t first = units[0];
    if (first >= 0xD800 && first <= 0xDBFF && units.size() > 1)
        return 0x10000 + ((char32_t{first} - 0xD800) << 10) + (char32_t{units[1]} - 0xDC00);
    return first;
}

}  // namespace

std::u16string quote_argument(std::u16string_view argument) {
    const bool quoted =
        argument.empty() || argument.find_first_of(u" \t") != std::u16string_view::npos;
    std::u16string out = quoted ? u"\"" : u"";
    std::size_t backslashes = 0;
    for (const char16_t c : argument) {
        if (c == u'\\') {
            ++backslashes;
        } else {
            // Backslashes right before a quote escape each other; the quote
            // itself is escaped with one more.
            if (c == u'"') out.append(backslashes + 1, u'\\');
            backslashes = 0;
        }
        out += c;
    }
    if (quoted) out.append(backslashes, u'\\').append(u"\"");
    return out;
}

DriveLetterMap parse_drive_letter_lines(std::string_view output) {
    const std::string text = utf8_lossy(output);
    DriveLetterMap map;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line =
            trim_white_space(std::string_view(text).substr(start, end - start));
        start = end + 1;

        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::optional<std::uint32_t> disk = parse_disk_number(line.substr(0, colon));
        const std::string_view rest = line.substr(colon + 1);
        if (!disk || rest.empty()) continue;
        char32_t letter = first_scalar(rest);
        if (letter >= U'a' && letter <= U'z') letter = letter - U'a' + U'A';
        map[*disk].push_back(letter);
    }
    return map;
}

DriveLetterMap map_drive_letters_with_powershell(Platform& platform) {
    const std::optional<std::u16string> program = powershell_path(platform);
    if (!program) return {};
    const std::optional<FinishedChild> child =
        run_child(platform, *program, powershell_command_line(*program));
    if (!child || child->exit_code != 0) return {};
    return parse_drive_letter_lines(child->output);
}

}  // namespace quartzmon::sensors::disk::enumeration
