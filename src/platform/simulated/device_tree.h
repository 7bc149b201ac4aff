// The configuration manager's device tree: nodes with device instance IDs and
// parents below the root HTREE\ROOT\0. Device instance handles are positions
// in the tree's list, the root being 1. Each call can be described to fail on
// a node with a CONFIGRET code.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/simulated/description_reader.h"

namespace quartzmon::platform::simulated {

struct DeviceNode {
    std::string id;
    DevInst parent = 0;  // 0 for the root
    std::uint32_t locate_error = 0;
    std::uint32_t parent_error = 0;
    std::uint32_t device_id_error = 0;
};

class DeviceTree {
public:
    // "device_tree": [ { "id": "...", "parent": "..." (default: the root),
    //                    "locate_error": 13, "parent_error": 13, "device_id_error": 13 } ]
    static DeviceTree read(const nlohmann::json& nodes, const std::string& place);
    static DeviceTree root_only();

    // CM_Locate_DevNodeW, CM_Get_Parent and CM_Get_Device_IDW; results are
    // CONFIGRET codes.
    std::uint32_t locate(const std::string& device_id, DevInst& devinst) const;
    std::uint32_t parent(DevInst devinst, DevInst& parent) const;
    std::uint32_t device_id(DevInst devinst, std::span<char16_t> buffer) const;

private:
    const DeviceNode* node(DevInst devinst) const;
    std::optional<DevInst> find(const std::string& device_id) const;

    std::vector<DeviceNode> nodes_;  // nodes_[devinst - 1]
};

}  // namespace quartzmon::platform::simulated
