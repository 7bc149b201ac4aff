#include "sensors/disk/device/device_handle.h"

#include <array>

#include "platform/utf.h"

namespace quartzmon::sensors::disk::device {

using namespace quartzmon::platform;

DeviceHandle::DeviceHandle(DeviceHandle&& other) noexcept
    : platform_(other.platform_), handle_(other.handle_) {
    other.handle_ = INVALID_HANDLE_VALUE;
}

DeviceHandle::~DeviceHandle() {
    if (is_valid_handle(handle_)) platform_->close_handle(handle_);
}

namespace {

Handle create_device_file(Platform& platform, const std::u16string& path,
                          std::uint32_t desired_access) {
    return platform.create_file(path, desired_access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
}

}  // namespace

std::expected<DeviceHandle, std::uint32_t> open_device(Platform& platform,
                                                       std::string_view device_path,
                                                       std::uint32_t desired_access) {
    const Handle handle = create_device_file(platform, utf8_to_utf16(device_path), desired_access);
    if (!is_valid_handle(handle)) return std::unexpected(platform.get_last_error());
    return DeviceHandle(platform, handle);
}

std::optional<DeviceHandle> open_device_trying_in_order(
    Platform& platform, std::string_view device_path,
    std::span<const std::uint32_t> access_in_order) {
    const std::u16string path = utf8_to_utf16(device_path);
    for (const std::uint32_t access : access_in_order) {
        const Handle handle = create_device_file(platform, path, access);
        if (is_valid_handle(handle)) return DeviceHandle(platform, handle);
    }
    return std::nullopt;
}

std::expected<DeviceHandle, std::uint32_t> open_device_with_best_access(
    Platform& platform, std::string_view device_path) {
    constexpr std::array<std::uint32_t, 3> ACCESS_IN_ORDER{GENERIC_READ | GENERIC_WRITE,
                                                           GENERIC_READ, 0};
    std::optional<DeviceHandle> device =
        open_device_trying_in_order(platform, device_path, ACCESS_IN_ORDER);
    if (!device) return std::unexpected(platform.get_last_error());
    return std::move(*device);
}

IoctlResult device_io_control(const DeviceHandle& device, std::uint32_t io_control_code,
                              std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
    IoctlResult result;
    result.succeeded = device.platform().device_io_control(device.get(), io_control_code, in, out,
                                                           result.bytes_returned);
    result.last_error = device.platform().get_last_error();
    if (!result.succeeded) result.win32_error = result.last_error;
    return result;
}

}  // namespace quartzmon::sensors::disk::device
