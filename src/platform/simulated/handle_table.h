// The machine's open handles and what each refers to. Handles count up in
// fours from 0x100, as kernel handles do; a closed handle's number is not
// given again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <variant>

#include "platform/platform.h"
#include "platform/simulated/host_files.h"

namespace quartzmon::platform::simulated {

struct Disk;
struct Volume;

// What an open handle refers to.
struct DiskHandle {
    Disk* disk;
    std::uint32_t access;  // the desired access it was opened with
};
struct VolumeHandle {
    const Volume* volume;
};
struct ProcessHandle {
    std::size_t child;
};
struct PipeHandle {
    std::size_t child;
};
struct TokenHandle {};
struct RegistryKeyHandle {
    std::string path;
};
using OpenObject = std::variant<DiskHandle, VolumeHandle, HostFile, ProcessHandle, PipeHandle,
                                TokenHandle, RegistryKeyHandle>;

inline constexpr Handle FIRST_HANDLE = 0x100;
inline constexpr Handle HANDLE_STEP = 4;
// GetCurrentProcess's pseudo handle, (HANDLE)-1; it is never in the table.
inline constexpr Handle CURRENT_PROCESS = ~Handle{0};

class HandleTable {
public:
    Handle add(OpenObject object);
    bool contains(Handle handle) const { return objects_.contains(handle); }
    void erase(Handle handle) { objects_.erase(handle); }

    // The object the handle refers to when it is one of this kind, else null.
    template <typename Kind>
    Kind* opened(Handle handle) {
        const auto object = objects_.find(handle);
        return object == objects_.end() ? nullptr : std::get_if<Kind>(&object->second);
    }

private:
    std::map<Handle, OpenObject> objects_;
    Handle next_ = FIRST_HANDLE;
};

}  // namespace quartzmon::platform::simulated
