// IOCTL_STORAGE_QUERY_PROPERTY's request, STORAGE_PROPERTY_QUERY, which both
// enumeration and the providers send.
#pragma once

#include <array>
#include <cstdint>

#include "platform/bytes.h"
#include "platform/windows_layouts.h"

namespace quartzmon::sensors::disk::device {

using StoragePropertyQuery =
    std::array<std::uint8_t, platform::layout::STORAGE_PROPERTY_QUERY::size>;

// A standard query for one property, AdditionalParameters zero.
inline StoragePropertyQuery standard_property_query(std::uint32_t property_id) {
    namespace query_layout = platform::layout::STORAGE_PROPERTY_QUERY;
    StoragePropertyQuery query{};
    platform::put_u32(query, query_layout::PropertyId, property_id);
    platform::put_u32(query, query_layout::QueryType, platform::layout::PropertyStandardQuery);
    return query;
}

}  // namespace quartzmon::sensors::disk::device
