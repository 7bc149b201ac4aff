// The names of devices as Windows reads them: \\.\PhysicalDriveN for a disk,
// \\.\C: for a volume, C:\ for a volume's root, and the device tree's root
// node. The simulated machine reads them to find what is opened, the capture
// to name what it describes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quartzmon::platform::description {

// What precedes a device name in a path: \\.\ .
inline constexpr std::u16string_view DEVICE_PREFIX = u"\\\\.\\";

// The configuration manager's root node, which every device tree has.
inline constexpr std::string_view ROOT_DEVICE_ID = "HTREE\\ROOT\\0";

// N of "PhysicalDriveN" in any letter case, written as Windows writes the
// number (decimal, no leading zero).
std::optional<std::uint32_t> physical_drive_number(std::u16string_view device_name);

// The upper-case letter of "L:", or of "L:\" when with_backslash; either case.
std::optional<char> drive_letter(std::u16string_view text, bool with_backslash);

}  // namespace quartzmon::platform::description
