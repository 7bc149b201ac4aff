#include "platform/simulated/device_tree.h"

#include <algorithm>

#include "platform/ascii_case.h"
#include "platform/description/device_names.h"
#include "platform/simulated/win32_codes.h"
#include "platform/utf.h"

namespace quartzmon::platform::simulated {
namespace {

using description::ROOT_DEVICE_ID;
constexpr DevInst ROOT = 1;

}  // namespace

DeviceTree DeviceTree::root_only() {
    DeviceTree tree;
    tree.nodes_.push_back(DeviceNode{std::string(ROOT_DEVICE_ID), 0, 0, 0, 0});
    return tree;
}

DeviceTree DeviceTree::read(const nlohmann::json& value, const std::string& place) {
    DeviceTree tree = root_only();
    const nlohmann::json::array_t& described = read_array(value, place);

    // Parents may be listed after their children, so they are resolved once
    // every node is known.
    std::vector<std::optional<std::string>> parent_ids;
    for (std::size_t i = 0; i < described.size(); ++i) {
        JsonObject object(described[i], element_place(place, i));
        DeviceNode node;
        node.id = read_text(object.required("id"), object.place_of("id"));
        if (tree.find(node.id))
            throw DescriptionError{object.place_of("id"), "device listed twice"};
        node.locate_error = object.u32("locate_error").value_or(0);
        node.parent_error = object.u32("parent_error").value_or(0);
        node.device_id_error = object.u32("device_id_error").value_or(0);
        parent_ids.push_back(object.text("parent"));
        object.reject_unknown_keys();
        tree.nodes_.push_back(std::move(node));
    }

    for (std::size_t i = 0; i < parent_ids.size(); ++i) {
        DeviceNode& node = tree.nodes_[i + 1];
        node.parent = ROOT;
        if (!parent_ids[i]) continue;
        const auto parent = tree.find(*parent_ids[i]);
        const std::string parent_place = member_place(element_place(place, i), "parent");
        if (!parent) throw DescriptionError{parent_place, "no device with this id"};
        node.parent = *parent;
    }

    // A parent chain must end at the root; a loop would be no tree.
    for (std::size_t i = 0; i < parent_ids.size(); ++i) {
        DevInst current = static_cast<DevInst>(i + 2);
        for (std::size_t steps = 0; current != 0; ++steps) {
            if (steps > tree.nodes_.size()) {
                throw DescriptionError{member_place(element_place(place, i), "parent"),
                                       "parents form a loop"};
            }
            current = tree.nodes_[current - 1].parent;
        }
    }
    return tree;
}

const DeviceNode* DeviceTree::node(DevInst devinst) const {
    if (devinst == 0 || devinst > nodes_.size()) return nullptr;
    return &nodes_[devinst - 1];
}

std::optional<DevInst> DeviceTree::find(const std::string& device_id) const {
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        if (equal_ignoring_case(nodes_[i].id, device_id)) return static_cast<DevInst>(i + 1);
    }
    return std::nullopt;
}

// An empty ID names the root, as a null pointer does in Windows.
std::uint32_t DeviceTree::locate(const std::string& device_id, DevInst& devinst) const {
    const auto found = device_id.empty() ? std::optional<DevInst>(ROOT) : find(device_id);
    if (!found) return CR_NO_SUCH_DEVNODE;
    if (const std::uint32_t error = node(*found)->locate_error) return error;
    devinst = *found;
    return CR_SUCCESS;
}

std::uint32_t DeviceTree::parent(DevInst devinst, DevInst& parent) const {
    const DeviceNode* current = node(devinst);
    if (current == nullptr) return CR_INVALID_DEVNODE;
    if (current->parent_error != 0) return current->parent_error;
    if (current->parent == 0) return CR_NO_SUCH_DEVNODE;
    parent = current->parent;
    return CR_SUCCESS;
}

// The ID with its terminating zero when it fits; otherwise as much as fits,
// still terminated, and CR_BUFFER_SMALL.
std::uint32_t DeviceTree::device_id(DevInst devinst, std::span<char16_t> buffer) const {
    const DeviceNode* current = node(devinst);
    if (current == nullptr) return CR_INVALID_DEVNODE;
    if (current->device_id_error != 0) return current->device_id_error;
    const std::u16string id = utf8_to_utf16(current->id);
    if (buffer.empty()) return CR_BUFFER_SMALL;
    if (id.size() >= buffer.size()) {
        std::copy_n(id.begin(), buffer.size() - 1, buffer.begin());
        buffer.back() = u'\0';
        return CR_BUFFER_SMALL;
    }
    std::ranges::copy(id, buffer.begin());
    buffer[id.size()] = u'\0';
    return CR_SUCCESS;
}

}  // namespace quartzmon::platform::simulated
