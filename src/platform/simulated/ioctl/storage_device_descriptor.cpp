#include "platform/simulated/ioctl/storage_device_descriptor.h"

#include <optional>
#include <string>

#include "platform/bytes.h"
#include "platform/windows_layouts.h"

namespace quartzmon::platform::simulated {
namespace {

namespace descriptor_layout = layout::STORAGE_DEVICE_DESCRIPTOR;
using layout::BusTypeSata;

struct DescriptorFields {
    std::optional<std::string> vendor_id;
    std::optional<std::string> product_id;
    std::optional<std::string> product_revision;
    std::optional<std::string> serial_number;
    std::uint32_t bus_type = BusTypeSata;
    bool removable_media = false;
    std::uint8_t device_type = 0;
};

// Appends the text with its terminating zero and stores its offset; an absent
// text keeps offset 0, as drivers report a field they do not have.
void append_text(std::vector<std::uint8_t>& descriptor, std::size_t offset_field,
                 const std::optional<std::string>& text) {
    if (!text) return;
    put_u32(descriptor, offset_field, static_cast<std::uint32_t>(descriptor.size()));
    descriptor.insert(descriptor.end(), text->begin(), text->end());
    descriptor.push_back(0);
}

std::vector<std::uint8_t> build(const DescriptorFields& fields) {
    std::vector<std::uint8_t> descriptor(descriptor_layout::RawDeviceProperties, 0);
    put_u8(descriptor, descriptor_layout::DeviceType, fields.device_type);
    put_u8(descriptor, descriptor_layout::RemovableMedia, fields.removable_media ? 1 : 0);
    put_u32(descriptor, descriptor_layout::BusType, fields.bus_type);
    append_text(descriptor, descriptor_layout::VendorIdOffset, fields.vendor_id);
    append_text(descriptor, descriptor_layout::ProductIdOffset, fields.product_id);
    append_text(descriptor, descriptor_layout::ProductRevisionOffset, fields.product_revision);
    append_text(descriptor, descriptor_layout::SerialNumberOffset, fields.serial_number);
    // A driver answers at least sizeof the structure, padding included.
    if (descriptor.size() < descriptor_layout::size) descriptor.resize(descriptor_layout::size, 0);
    put_u32(descriptor, descriptor_layout::Version, descriptor_layout::size);
    put_u32(descriptor, descriptor_layout::Size, static_cast<std::uint32_t>(descriptor.size()));
    return descriptor;
}

// A described text replaces the default; null stands for "not reported"
// (offset 0).
void read_text_field(JsonObject& object, std::string_view key, std::optional<std::string>& field) {
    const nlohmann::json* value = object.find(key);
    if (value == nullptr) return;
    field = value->is_null() ? std::nullopt
                             : std::optional<std::string>(read_text(*value, object.place_of(key)));
}

DescriptorFields default_fields() {
    DescriptorFields fields;
    fields.product_id = "Simulated SATA SSD";
    fields.product_revision = "SIM1";
    fields.serial_number = "SIM0000000000001";
    return fields;
}

}  // namespace

std::vector<std::uint8_t> build_storage_device_descriptor(JsonObject& object) {
    DescriptorFields fields = default_fields();
    read_text_field(object, "vendor_id", fields.vendor_id);
    read_text_field(object, "product_id", fields.product_id);
    read_text_field(object, "product_revision", fields.product_revision);
    read_text_field(object, "serial_number", fields.serial_number);
    fields.bus_type = object.u32("bus_type").value_or(fields.bus_type);
    fields.removable_media = object.boolean("removable_media").value_or(false);
    fields.device_type =
        static_cast<std::uint8_t>(object.integer("device_type", 0, 255).value_or(0));
    return build(fields);
}

std::vector<std::uint8_t> default_storage_device_descriptor() {
    return build(default_fields());
}

}  // namespace quartzmon::platform::simulated
