// The result file: created or truncated in place, then written whole.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/platform.h"

namespace quartzmon {

inline constexpr std::u16string_view RESULT_FILE_NAME = u"kiv_disk_health.json";

// The user's temporary directory (GetTempPath2W where kernel32 exports it,
// else GetTempPathW) joined with the result file name; none when the call
// fails.
std::optional<std::u16string> default_result_path(platform::Platform& platform);

// Writes the document to path. Every failure is dropped silently: the consumer
// only sees a missing or unchanged file.
void write_result_file(platform::Platform& platform, const std::u16string& path,
                       std::span<const std::uint8_t> document);

}  // namespace quartzmon
