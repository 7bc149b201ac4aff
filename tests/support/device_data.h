// Device data blocks for tests of the simulated devices.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace quartzmon::test_support {

// Hex text of size bytes counting up modulo 251: a byte out of place shows,
// and a 512-byte block's last byte (9) is not its ATA checksum.
inline std::string counting_hex(std::size_t size) {
    std::string hex;
    for (std::size_t i = 0; i < size; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned>(i % 251));
        hex += pair;
    }
    return hex;
}

}  // namespace quartzmon::test_support
