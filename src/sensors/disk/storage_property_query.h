// IOCTL_STORAGE_QUERY_PROPERTY's request, STORAGE_PROPERTY_QUERY, which both
// enumeration and the providers send.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/bytes.h"

namespace quartzmon::sensors::disk {

// STORAGE_PROPERTY_ID values.
inline constexpr std::uint32_t StorageDeviceProperty = 0;
inline constexpr std::uint32_t StorageAdapterTemperatureProperty = 51;
inline constexpr std::uint32_t StorageDeviceTemperatureProperty = 52;

// STORAGE_QUERY_TYPE.
inline constexpr std::uint32_t PropertyStandardQuery = 0;

// PropertyId, QueryType and AdditionalParameters with its padding.
inline constexpr std::size_t STORAGE_PROPERTY_QUERY_SIZE = 12;

using StoragePropertyQuery = std::array<std::uint8_t, STORAGE_PROPERTY_QUERY_SIZE>;

// A standard query for one property, AdditionalParameters zero.
inline StoragePropertyQuery standard_property_query(std::uint32_t property_id) {
    StoragePropertyQuery query{};
    platform::put_u32(query, 0, property_id);
    platform::put_u32(query, 4, PropertyStandardQuery);
    return query;
}

}  // namespace quartzmon::sensors::disk
