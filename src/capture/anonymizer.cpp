#include "capture/anonymizer.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/bytes.h"
#include "platform/description/hex_text.h"
#include "platform/windows_layouts.h"

namespace quartzmon::capture {
namespace {

using nlohmann::json;
using platform::equal_ignoring_case;
namespace descriptor = quartzmon::platform::layout::STORAGE_DEVICE_DESCRIPTOR;

constexpr std::size_t SHORTEST_SERIAL = 4;
constexpr std::string_view SERIAL_PREFIX = "SERIAL";

std::string trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// "SERIAL" and the number, padded with zeros to the original's length; only
// the number's last digits when the original is shorter than that.
std::string placeholder(std::size_t number, std::size_t length) {
    const std::string digits = std::to_string(number);
    if (length < SERIAL_PREFIX.size() + digits.size()) {
        const std::string padded = std::string(length, '0') + digits;
        return padded.substr(padded.size() - length);
    }
    return std::string(SERIAL_PREFIX) +
           std::string(length - SERIAL_PREFIX.size() - digits.size(), '0') + digits;
}

class Serials {
public:
    void add(std::string_view serial) {
        const std::string text = trimmed(serial);
        if (text.size() < SHORTEST_SERIAL) return;
        for (const auto& [known, replacement] : replacements_) {
            if (equal_ignoring_case(known, text)) return;
        }
        replacements_.emplace_back(text, placeholder(replacements_.size() + 1, text.size()));
    }

    // Every occurrence, in text or in bytes held as a string.
    std::string replaced(std::string text) const {
        for (const auto& [serial, replacement] : replacements_) {
            for (std::size_t at = 0; at + serial.size() <= text.size(); ++at) {
                if (equal_ignoring_case(std::string_view(text).substr(at, serial.size()), serial))
                    text.replace(at, serial.size(), replacement);
            }
        }
        return text;
    }

private:
    std::vector<std::pair<std::string, std::string>> replacements_;
};

bool is_device_descriptor(const json& reply) {
    const json& request = reply.at("request");
    return request.value("ioctl", "") == "IOCTL_STORAGE_QUERY_PROPERTY" &&
           request.value("property_id", -1) == 0 && reply.contains("out");
}

// The descriptor's SerialNumberOffset text, up to its zero.
std::string descriptor_serial(const json& reply) {
    const auto bytes = platform::description::bytes_of_hex_text(reply.at("out").get<std::string>());
    if (!bytes || bytes->size() < descriptor::SerialNumberOffset + 4) return {};
    const std::uint32_t offset = platform::get_u32(*bytes, descriptor::SerialNumberOffset);
    std::string serial;
    for (std::size_t i = offset; offset != 0 && i < bytes->size() && (*bytes)[i] != 0; ++i)
        serial += static_cast<char>((*bytes)[i]);
    return serial;
}

// The serial part of a USB device's or USB storage device's instance ID; a
// part holding '&' was made up by Windows for a device without a serial.
std::string instance_serial(std::string_view id) {
    const std::size_t last = id.rfind('\\');
    if (last == std::string_view::npos) return {};
    std::string_view instance = id.substr(last + 1);
    const std::string_view enumerator = id.substr(0, id.find('\\'));
    if (equal_ignoring_case(enumerator, "USBSTOR")) {
        const std::size_t suffix = instance.rfind('&');
        if (suffix == std::string_view::npos) return {};
        instance = instance.substr(0, suffix);
    } else if (!equal_ignoring_case(enumerator, "USB")) {
        return {};
    }
    return instance.find('&') == std::string_view::npos ? std::string(instance) : std::string();
}

Serials find_serials(const json& description) {
    Serials serials;
    for (const json& disk : description.value("disks", json::array())) {
        for (const json& reply : disk.value("replay", json::array())) {
            if (is_device_descriptor(reply)) serials.add(descriptor_serial(reply));
        }
    }
    const json registry = description.value("registry", json::object());
    for (const auto& [path, values] : registry.items()) {
        for (const auto& [name, value] : values.items()) {
            if (value.is_string()) serials.add(instance_serial(value.get<std::string>()));
        }
    }
    for (const json& node : description.value("device_tree", json::array()))
        serials.add(instance_serial(node.value("id", "")));
    return serials;
}

std::string replaced_hex(const Serials& serials, const std::string& hex) {
    const auto bytes = platform::description::bytes_of_hex_text(hex);
    if (!bytes) return hex;
    const std::string replaced = serials.replaced(std::string(bytes->begin(), bytes->end()));
    return platform::description::hex_text(
        std::vector<std::uint8_t>(replaced.begin(), replaced.end()));
}

void replace_in_disks(const Serials& serials, json& disks) {
    for (json& disk : disks) {
        if (!disk.contains("replay")) continue;
        for (json& reply : disk["replay"]) {
            for (const char* field : {"out", "direct_data"}) {
                if (reply.contains(field))
                    reply[field] = replaced_hex(serials, reply[field].get<std::string>());
            }
        }
    }
}

json replaced_registry(const Serials& serials, const json& registry) {
    json result = json::object();
    for (const auto& [path, values] : registry.items()) {
        json& key = result[serials.replaced(path)] = json::object();
        for (const auto& [name, value] : values.items()) {
            key[serials.replaced(name)] =
                value.is_string() ? json(serials.replaced(value.get<std::string>())) : value;
        }
    }
    return result;
}

void replace_in_device_tree(const Serials& serials, json& tree) {
    for (json& node : tree) {
        for (const char* field : {"id", "parent"}) {
            if (node.contains(field))
                node[field] = serials.replaced(node[field].get<std::string>());
        }
    }
}

void replace_labels(json& volumes) {
    for (auto& [letter, volume] : volumes.items()) {
        if (volume.contains("label") && !volume["label"].get<std::string>().empty())
            volume["label"] = "VOLUME_" + letter;
    }
}

}  // namespace

json anonymize_description(const json& description) {
    const Serials serials = find_serials(description);
    json result = description;
    if (result.contains("disks")) replace_in_disks(serials, result["disks"]);
    if (result.contains("registry"))
        result["registry"] = replaced_registry(serials, result["registry"]);
    if (result.contains("device_tree")) replace_in_device_tree(serials, result["device_tree"]);
    if (result.contains("volumes")) replace_labels(result["volumes"]);
    return result;
}

}  // namespace quartzmon::capture
