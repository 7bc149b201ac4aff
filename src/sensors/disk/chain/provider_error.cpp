#include "sensors/disk/chain/provider_error.h"

#include <string_view>

namespace quartzmon::sensors::disk::provider {
namespace {

std::string_view prefix(ProviderError::Kind kind) {
    switch (kind) {
        case ProviderError::Kind::AccessDenied:
            return "Access Denied: ";
        case ProviderError::Kind::UnsupportedProtocol:
            return "Unsupported Protocol: ";
        case ProviderError::Kind::DeviceIoError:
            return "Device IO Error: ";
        case ProviderError::Kind::ParseError:
            return "Parse Error: ";
        case ProviderError::Kind::Timeout:
            return "Timeout: ";
    }
    return "";
}

}  // namespace

std::string shown_text(const ProviderError& error) {
    return std::string(prefix(error.kind)) + error.message;
}

}  // namespace quartzmon::sensors::disk::provider
