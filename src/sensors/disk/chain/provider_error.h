// Why a provider could not produce a record for a disk. An error carries only
// its kind and message: whatever the provider learned before failing is lost
// except through the message.
#pragma once

#include <cstdint>
#include <string>

namespace quartzmon::sensors::disk::provider {

struct ProviderError {
    enum class Kind : std::uint8_t {
        AccessDenied = 0,
        UnsupportedProtocol = 1,
        DeviceIoError = 2,
        ParseError = 3,
        Timeout = 4,
    };

    Kind kind;
    std::string message;
};

// The error as logs show it: "Access Denied: {message}" and likewise.
std::string shown_text(const ProviderError& error);

}  // namespace quartzmon::sensors::disk::provider
