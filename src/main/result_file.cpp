#include "main/result_file.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include "platform/windows_layouts.h"

namespace quartzmon {
namespace {

using namespace quartzmon::platform;

// FILE_ALLOCATION_INFO and FILE_END_OF_FILE_INFO: one LARGE_INTEGER, here 0.
constexpr std::array<std::uint8_t, 8> ZERO_LARGE_INTEGER{};

// GetTempPath2W and GetTempPathW return the length written, or the size the
// buffer needs when it is too small, or 0 on failure.
std::u16string temp_directory(Platform& platform) {
    std::vector<char16_t> buffer(layout::MAX_PATH + 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::uint32_t length = platform.has_get_temp_path2() ? platform.get_temp_path2(buffer)
                                                                   : platform.get_temp_path(buffer);
        if (length == 0) return {};
        if (length < buffer.size()) return std::u16string(buffer.data(), length);
        buffer.assign(length + 1, 0);
    }
    return {};
}

// An existing file is truncated in place, so its attributes (hidden, say) stay.
// Setting the allocation size is what Windows does first; some file systems
// refuse it, and then the end of file is moved instead.
bool truncate_existing_file(Platform& platform, Handle file) {
    return platform.set_file_information_by_handle(file, FileAllocationInfo, ZERO_LARGE_INTEGER) ||
           platform.set_file_information_by_handle(file, FileEndOfFileInfo, ZERO_LARGE_INTEGER);
}

// Windows reports no "interrupted" failure for file writes, so any failed
// write ends the loop, as does a write that makes no progress.
void write_whole_buffer(Platform& platform, Handle file, std::span<const std::uint8_t> data) {
    while (!data.empty()) {
        const std::size_t chunk =
            std::min<std::size_t>(data.size(), std::numeric_limits<std::uint32_t>::max());
        std::uint32_t written = 0;
        if (!platform.write_file(file, data.first(chunk), written)) return;
        if (written == 0) return;  // failed to write whole buffer
        data = data.subspan(std::min<std::size_t>(written, data.size()));
    }
}

}  // namespace

std::optional<std::u16string> default_result_path(Platform& platform) {
    const std::u16string directory = temp_directory(platform);
    if (directory.empty()) return std::nullopt;
    return directory + std::u16string(RESULT_FILE_NAME);
}

void write_result_file(Platform& platform, const std::u16string& path,
                       std::span<const std::uint8_t> document) {
    const Handle file = platform.create_file(path, GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    if (!is_valid_handle(file)) return;

    const bool existed = platform.get_last_error() == ERROR_ALREADY_EXISTS;
    // When an existing file cannot be truncated, writing a shorter document
    // would leave the old tail after the final brace. Leaving the old document
    // whole is the outcome the consumer already handles.
    if (!existed || truncate_existing_file(platform, file)) {
        write_whole_buffer(platform, file, document);
    }
    platform.close_handle(file);
}

}  // namespace quartzmon
