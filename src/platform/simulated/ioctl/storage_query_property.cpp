#include "platform/simulated/ioctl/storage_query_property.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>

#include "platform/bytes.h"
#include "platform/platform.h"
#include "platform/simulated/ioctl/storage_device_descriptor.h"
#include "platform/simulated/ioctl/storage_temperature_descriptor.h"
#include "platform/simulated/win32_codes.h"
#include "platform/windows_layouts.h"

namespace quartzmon::platform::simulated {
namespace {

namespace query_layout = layout::STORAGE_PROPERTY_QUERY;
namespace protocol_data = layout::STORAGE_PROTOCOL_SPECIFIC_DATA;
namespace data_descriptor = layout::STORAGE_PROTOCOL_DATA_DESCRIPTOR;
using layout::PropertyExistsQuery;
using layout::PropertyStandardQuery;
using layout::StorageAdapterTemperatureProperty;
using layout::StorageDeviceProperty;
using layout::StorageDeviceTemperatureProperty;

struct PropertyKind {
    std::uint32_t id;
    std::string_view name;
    std::vector<std::uint8_t> (*build_from_fields)(JsonObject&);
};

// The properties a description can state, by the SDK's names.
constexpr std::array PROPERTY_KINDS{
    PropertyKind{StorageDeviceProperty, "StorageDeviceProperty", build_storage_device_descriptor},
    PropertyKind{StorageAdapterTemperatureProperty, "StorageAdapterTemperatureProperty",
                 build_storage_temperature_descriptor},
    PropertyKind{StorageDeviceTemperatureProperty, "StorageDeviceTemperatureProperty",
                 build_storage_temperature_descriptor},
};

// A protocol-specific query: the STORAGE_PROPERTY_QUERY up to
// AdditionalParameters, which holds the STORAGE_PROTOCOL_SPECIFIC_DATA.
constexpr std::size_t PROTOCOL_QUERY_SIZE =
    query_layout::AdditionalParameters + protocol_data::size;

// Log identifiers are one byte in the Get Log Page command.
constexpr std::uint32_t MAX_LOG_IDENTIFIER = 0xFF;

struct ProtocolQuery {
    std::uint32_t property_id = 0;
    std::uint32_t protocol_type = 0;
    std::uint32_t data_type = 0;
    std::uint32_t request_value = 0;  // the log identifier
    std::uint32_t sub_value = 0;      // the log page offset, low 32 bits
    std::uint32_t sub_value2 = 0;     // the log page offset, high 32 bits
    std::uint32_t data_offset = 0;    // from the protocol-specific data's start
    std::uint32_t data_length = 0;
};

bool is_protocol_specific(std::uint32_t property_id) {
    return property_id == layout::StorageAdapterProtocolSpecificProperty ||
           property_id == layout::StorageDeviceProtocolSpecificProperty;
}

ProtocolQuery decode_protocol_query(std::span<const std::uint8_t> in) {
    const auto field = [in](std::size_t offset) {
        return get_u32(in, query_layout::AdditionalParameters + offset);
    };
    ProtocolQuery query;
    query.property_id = get_u32(in, query_layout::PropertyId);
    query.protocol_type = field(protocol_data::ProtocolType);
    query.data_type = field(protocol_data::DataType);
    query.request_value = field(protocol_data::ProtocolDataRequestValue);
    query.sub_value = field(protocol_data::ProtocolDataRequestSubValue);
    query.sub_value2 = field(protocol_data::ProtocolDataRequestSubValue2);
    query.data_offset = field(protocol_data::ProtocolDataOffset);
    query.data_length = field(protocol_data::ProtocolDataLength);
    return query;
}

std::string query_text(const ProtocolQuery& query) {
    char log[16];
    std::snprintf(log, sizeof log, "%02Xh", query.request_value);
    return "property " + std::to_string(query.property_id) + ", log " + log + ", sub-value " +
           std::to_string(query.sub_value);
}

std::optional<std::uint32_t> refusal_of(const NvmeStorageDevice& nvme, const ProtocolQuery& query) {
    for (const RefusedProtocolQuery& refused : nvme.refused_queries) {
        if (refused.property_id == query.property_id &&
            (!refused.sub_value || *refused.sub_value == query.sub_value)) {
            return refused.error;
        }
    }
    return std::nullopt;
}

// The driver passes the two sub-values on as the Get Log Page offset.
std::uint64_t log_page_offset(const ProtocolQuery& query) {
    return (static_cast<std::uint64_t>(query.sub_value2) << 32) | query.sub_value;
}

// STORAGE_PROTOCOL_DATA_DESCRIPTOR: the request's protocol-specific data
// comes back with the length actually read; the data is already in place.
void put_protocol_data_descriptor(std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                                  std::uint32_t data_length) {
    put_u32(out, data_descriptor::Version, data_descriptor::size);
    put_u32(out, data_descriptor::Size, data_descriptor::size);
    std::copy_n(in.begin() + query_layout::AdditionalParameters, protocol_data::size,
                out.begin() + data_descriptor::ProtocolSpecificData);
    put_u32(out, data_descriptor::ProtocolSpecificData + protocol_data::ProtocolDataLength,
            data_length);
}

// Only log pages are modelled: Identify and Features data are not supported.
// A command the controller fails reaches the caller as an I/O device error.
IoctlOutcome read_log_page(const NvmeStorageDevice& nvme, const ProtocolQuery& query,
                           std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
    if (const auto error = refusal_of(nvme, query)) return failed_ioctl(*error);
    if (query.protocol_type != layout::ProtocolTypeNvme ||
        query.data_type != layout::NVMeDataTypeLogPage) {
        return failed_ioctl(ERROR_NOT_SUPPORTED);
    }
    const std::uint64_t data_start = data_descriptor::ProtocolSpecificData + query.data_offset;
    if (query.request_value > MAX_LOG_IDENTIFIER || query.data_offset < protocol_data::size ||
        data_start + query.data_length > out.size()) {
        return failed_ioctl(ERROR_INVALID_PARAMETER);
    }
    const NvmeLogResult result =
        get_log_page(nvme.controller, static_cast<std::uint8_t>(query.request_value),
                     log_page_offset(query), out.subspan(data_start, query.data_length));
    if (!result.succeeded()) return failed_ioctl(ERROR_IO_DEVICE);
    const auto transferred = static_cast<std::uint32_t>(result.bytes_transferred);
    put_protocol_data_descriptor(in, out, transferred);
    return {0, static_cast<std::uint32_t>(data_start + transferred), {}};
}

IoctlOutcome answer_protocol_query(const NvmeStorageDevice& nvme, std::uint32_t query_type,
                                   std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
    if (query_type == PropertyExistsQuery) return {};
    if (in.size() < PROTOCOL_QUERY_SIZE) return failed_ioctl(ERROR_INVALID_PARAMETER);
    const ProtocolQuery query = decode_protocol_query(in);
    IoctlOutcome outcome = read_log_page(nvme, query, in, out);
    outcome.detail = query_text(query);
    return outcome;
}

RefusedProtocolQuery read_refused_query(JsonObject& object) {
    RefusedProtocolQuery refused;
    object.required("property_id");
    refused.property_id = static_cast<std::uint32_t>(
        *object.integer("property_id", layout::StorageAdapterProtocolSpecificProperty,
                        layout::StorageDeviceProtocolSpecificProperty));
    refused.sub_value = object.u32("sub_value");
    object.required("error");
    refused.error = static_cast<std::uint32_t>(
        *object.integer("error", 1, std::numeric_limits<std::uint32_t>::max()));
    object.reject_unknown_keys();
    return refused;
}

}  // namespace

NvmeStorageDevice read_nvme_storage_device(JsonObject& object) {
    NvmeStorageDevice device;
    if (const nlohmann::json* refused = object.find("refused_queries")) {
        const std::string place = object.place_of("refused_queries");
        const nlohmann::json::array_t& entries = read_array(*refused, place);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            JsonObject entry(entries[i], element_place(place, i));
            device.refused_queries.push_back(read_refused_query(entry));
        }
    }
    device.controller = read_nvme_controller(object);
    return device;
}

StorageProperties read_storage_properties(JsonObject* described) {
    StorageProperties properties;
    properties[StorageDeviceProperty] = DeviceReply{0, default_storage_device_descriptor(), {}};
    if (described == nullptr) return properties;
    for (const PropertyKind& kind : PROPERTY_KINDS) {
        const nlohmann::json* value = described->find(kind.name);
        if (value == nullptr) continue;
        JsonObject object(*value, described->place_of(kind.name));
        properties[kind.id] = read_device_reply(object, kind.build_from_fields);
    }
    described->reject_unknown_keys("unknown property");
    return properties;
}

IoctlOutcome answer_storage_query_property(const StorageProperties& properties,
                                           const NvmeStorageDevice* nvme, bool silent,
                                           std::span<const std::uint8_t> in,
                                           std::span<std::uint8_t> out) {
    if (in.size() < query_layout::size) return failed_ioctl(ERROR_BAD_LENGTH);
    const std::uint32_t property_id = get_u32(in, query_layout::PropertyId);
    const std::uint32_t query_type = get_u32(in, query_layout::QueryType);
    if (query_type != PropertyStandardQuery && query_type != PropertyExistsQuery) {
        return failed_ioctl(ERROR_INVALID_PARAMETER);
    }
    // A silent device keeps every query waiting, even one its driver might
    // refuse at once: the worst case is what the widget must plan for.
    if (silent && property_id != StorageDeviceProperty)
        return {ERROR_SEM_TIMEOUT, 0, "timed out after the class driver's default",
                CLASS_DRIVER_TIMEOUT_MS};
    if (nvme != nullptr && is_protocol_specific(property_id)) {
        return answer_protocol_query(*nvme, query_type, in, out);
    }

    const auto property = properties.find(property_id);
    if (property == properties.end()) return failed_ioctl(ERROR_NOT_SUPPORTED);
    if (query_type == PropertyExistsQuery) return failed_ioctl(property->second.error);
    return deliver_truncated(property->second, out);
}

}  // namespace quartzmon::platform::simulated
