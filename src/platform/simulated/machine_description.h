// Everything a machine description states, read and checked in one pass.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/simulated/child_processes.h"
#include "platform/simulated/clock.h"
#include "platform/simulated/device_tree.h"
#include "platform/simulated/disk.h"
#include "platform/simulated/host_files.h"
#include "platform/simulated/process_token.h"
#include "platform/simulated/registry.h"
#include "platform/simulated/volume.h"

namespace quartzmon::platform::simulated {

// GetTempPath2W / GetTempPathW.
struct TempDescription {
    std::u16string directory;  // ends in the host's path separator
    bool has_get_temp_path2 = true;
    std::uint32_t error = 0;  // both calls fail with it
};

struct MachineDescription {
    TokenDescription token;
    Clock clock;
    TempDescription temp;
    FileSystemBehaviour files;
    std::vector<Disk> disks;
    Volumes volumes;
    Registry registry;
    DeviceTree device_tree;
    std::vector<Program> programs;
    std::u16string system_directory;
    // The error mode the process inherits from the one that started it.
    std::uint32_t inherited_error_mode = 0;
};

// Reads description text. A malformed description is an error naming
// source_name and the place in the description.
std::expected<MachineDescription, std::string> parse_machine_description(
    std::string_view description, std::string_view source_name);
// Reads the description from a file; an unreadable file is an error naming it.
std::expected<MachineDescription, std::string> read_machine_description_file(
    const std::filesystem::path& path);

}  // namespace quartzmon::platform::simulated
