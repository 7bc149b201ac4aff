#pragma once

#include <optional>
#include <span>
#include <string>

namespace quartzmon {

// The result path named by the last complete "--ipc" pair of the arguments (the
// program's own path first, never examined). A value is never itself read as an
// option; a trailing "--ipc" is ignored. Arguments are compared as UTF-16 units,
// so one that is not valid UTF-16 simply does not match.
std::optional<std::u16string> find_result_path(std::span<const std::u16string> arguments);

}  // namespace quartzmon
