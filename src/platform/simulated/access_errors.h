// The Win32 error an operation gives by the desired access mask a handle was
// opened with, as a description states it: { "0x80000000": 5, "0": 0,
// "other": 5 }. Opening a disk and requests that need certain rights on the
// handle are both described this way.
#pragma once

#include <cstdint>
#include <map>

#include "platform/simulated/description_reader.h"

namespace quartzmon::platform::simulated {

struct AccessErrors {
    std::map<std::uint32_t, std::uint32_t> by_mask;  // 0: allowed
    std::uint32_t other = 0;                         // masks not listed

    std::uint32_t error_for(std::uint32_t access) const;
};

// What the I/O manager checks for a control code that requires read and write
// access (FILE_READ_ACCESS | FILE_WRITE_ACCESS), as the pass-through requests
// do: a handle opened for reading and writing passes, any other gets 5.
AccessErrors read_write_required();

// Reads the rules over those already in errors: each listed mask and "other"
// replace what was there.
void read_access_errors(JsonObject& object, AccessErrors& errors);

}  // namespace quartzmon::platform::simulated
