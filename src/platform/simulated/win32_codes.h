// Win32 error, CONFIGRET and other codes that only the simulated machine
// answers with (the ones the sensor itself refers to are in platform.h).
#pragma once

#include <cstdint>

namespace quartzmon::platform::simulated {

// STATUS_INFO_LENGTH_MISMATCH as Win32 sees it.
inline constexpr std::uint32_t ERROR_BAD_LENGTH = 24;
inline constexpr std::uint32_t ERROR_INVALID_NAME = 123;
// A request the device never completed: the port driver completes the timed-out
// SRB with STATUS_IO_TIMEOUT, which Win32 reports as ERROR_SEM_TIMEOUT.
inline constexpr std::uint32_t ERROR_SEM_TIMEOUT = 121;
// A request that reaches the device but carries no timeout of its own (a
// storage property query) waits for the disk class driver's default, 10 s
// unless the Disk service's TimeOutValue registry value says otherwise.
inline constexpr std::uint64_t CLASS_DRIVER_TIMEOUT_MS = 10'000;
// What a read of an empty pipe gives when it cannot wait (PIPE_NOWAIT).
inline constexpr std::uint32_t ERROR_NO_DATA = 232;

inline constexpr std::uint32_t CR_INVALID_DEVNODE = 0x05;
inline constexpr std::uint32_t CR_BUFFER_SMALL = 0x1A;

inline constexpr std::uint32_t INFINITE = 0xFFFFFFFF;

// Access rights a host file may be opened with beyond GENERIC_READ and
// GENERIC_WRITE.
inline constexpr std::uint32_t GENERIC_ALL = 0x10000000;
inline constexpr std::uint32_t FILE_READ_DATA = 0x1;
inline constexpr std::uint32_t FILE_WRITE_DATA = 0x2;

}  // namespace quartzmon::platform::simulated
