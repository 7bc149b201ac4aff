// The device and adapter temperature properties: the request, and the fields
// of the STORAGE_TEMPERATURE_DATA_DESCRIPTOR reply that the providers read.
// Which fields count, and the plausible range of a reading, is each provider's
// own decision.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "sensors/disk/device/device_handle.h"

namespace quartzmon::sensors::disk::device {

// The output buffer every temperature property query passes, zero-filled.
inline constexpr std::size_t TEMPERATURE_REPLY_BUFFER_SIZE = 512;

struct TemperaturePropertyReply {
    IoctlResult call;
    std::array<std::uint8_t, TEMPERATURE_REPLY_BUFFER_SIZE> data{};

    // The call succeeded and returned the descriptor up to its first entry.
    bool holds_descriptor_header() const;
    // The returned bytes reach past the first STORAGE_TEMPERATURE_INFO.
    bool holds_first_temperature_info() const;

    std::uint32_t version() const;
    std::uint32_t size() const;
    std::uint16_t info_count() const;
    std::uint16_t first_index() const;
    std::int16_t first_temperature() const;
};

// A standard query of StorageDeviceTemperatureProperty or
// StorageAdapterTemperatureProperty: 12 bytes in, 512 bytes out.
TemperaturePropertyReply query_temperature_property(const DeviceHandle& device,
                                                    std::uint32_t property_id);

}  // namespace quartzmon::sensors::disk::device
