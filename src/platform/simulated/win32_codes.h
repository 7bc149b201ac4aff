// Win32 error, CONFIGRET and other codes that only the simulated machine
// answers with (the ones the sensor itself refers to are in platform.h).
#pragma once

#include <cstdint>

namespace quartzmon::platform::simulated {

inline constexpr std::uint32_t ERROR_INVALID_FUNCTION = 1;
// STATUS_INFO_LENGTH_MISMATCH as Win32 sees it.
inline constexpr std::uint32_t ERROR_BAD_LENGTH = 24;
inline constexpr std::uint32_t ERROR_INVALID_NAME = 123;
// What a read of an empty pipe gives when it cannot wait (PIPE_NOWAIT).
inline constexpr std::uint32_t ERROR_NO_DATA = 232;

inline constexpr std::uint32_t CR_INVALID_DEVNODE = 0x05;
inline constexpr std::uint32_t CR_BUFFER_SMALL = 0x1A;

inline constexpr std::uint32_t INFINITE = 0xFFFFFFFF;

}  // namespace quartzmon::platform::simulated
