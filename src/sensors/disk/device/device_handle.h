// Opening a disk for device requests, and a handle that closes itself on every
// path. Facts only: which access worked and which Win32 error a failure left;
// what a failure means is each provider's own decision.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string_view>

#include "platform/platform.h"

namespace quartzmon::sensors::disk::device {

// An open device handle; closing it when it goes out of scope ignores a
// failing CloseHandle, as nothing could be done about it.
class DeviceHandle {
public:
    DeviceHandle(platform::Platform& platform, platform::Handle handle)
        : platform_(&platform), handle_(handle) {}
    DeviceHandle(DeviceHandle&& other) noexcept;
    DeviceHandle& operator=(DeviceHandle&&) = delete;
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;
    ~DeviceHandle();

    platform::Platform& platform() const { return *platform_; }
    platform::Handle get() const { return handle_; }

private:
    platform::Platform* platform_;
    platform::Handle handle_;
};

// CreateFileW on a device path with one access mask, sharing read and write;
// the error is GetLastError's value after the failed call.
std::expected<DeviceHandle, std::uint32_t> open_device(platform::Platform& platform,
                                                       std::string_view device_path,
                                                       std::uint32_t desired_access);

// CreateFileW with each access mask in turn, sharing read and write, until one
// opens; nothing when none does. It reads no GetLastError, so a caller that
// only asks whether the device opened makes no call beyond the opens.
std::optional<DeviceHandle> open_device_trying_in_order(
    platform::Platform& platform, std::string_view device_path,
    std::span<const std::uint32_t> access_in_order);

// Read-write access first, then read, then none: the pass-through requests
// want read and write, but a driver may answer some of them on a lesser
// handle. The error is GetLastError's value after the third attempt.
std::expected<DeviceHandle, std::uint32_t> open_device_with_best_access(
    platform::Platform& platform, std::string_view device_path);

// Seconds a pass-through request lets the port driver wait for the device.
inline constexpr std::uint32_t PASS_THROUGH_TIMEOUT_SECONDS = 3;

// What one DeviceIoControl did: whether it returned TRUE, the byte count it
// reported, and GetLastError's value read right after the call. A succeeded
// call leaves whatever the thread held before, so win32_error is the error of
// the call (0 when it succeeded) and last_error the raw value.
struct IoctlResult {
    bool succeeded = false;
    std::uint32_t bytes_returned = 0;
    std::uint32_t win32_error = 0;
    std::uint32_t last_error = 0;
};

IoctlResult device_io_control(const DeviceHandle& device, std::uint32_t io_control_code,
                              std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

}  // namespace quartzmon::sensors::disk::device
