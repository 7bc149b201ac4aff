// The names a run opens devices by, as Windows reads them: \\.\PhysicalDriveN
// for a disk, \\.\C: for a volume, C:\ for a volume's root. The simulated
// machine reads them to find what is opened, the capture to name what it
// describes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quartzmon::platform::description {

// What precedes a device name in a path: \\.\ .
inline constexpr std::u16string_view DEVICE_PREFIX = u"\\\\.\\";

// N of "PhysicalDriveN" in any letter case, written as Windows writes the
// number (decimal, no leading zero).
std::optional<std::uint32_t> physical_drive_number(std::u16string_view device_name);

// The upper-case letter of "L:", or of "L:\" when with_backslash; either case.
std::optional<char> drive_letter(std::u16string_view text, bool with_backslash);

}  // namespace quartzmon::platform::description
