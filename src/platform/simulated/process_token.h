// The process's access token: whether OpenProcessToken opens it, and what
// GetTokenInformation answers. TokenElevation is the one information class
// the machine knows.
#pragma once

#include <cstdint>
#include <span>

#include "platform/simulated/description_reader.h"

namespace quartzmon::platform::simulated {

struct TokenDescription {
    bool elevated = true;
    std::uint32_t open_error = 0;         // OpenProcessToken fails with it
    std::uint32_t information_error = 0;  // GetTokenInformation fails with it
};

// "token": { "elevated": true, "open_error": 5, "information_error": 87 };
// null when the description leaves it out.
TokenDescription read_token(JsonObject* token);

struct TokenInformationAnswer {
    std::uint32_t error = 0;
    std::uint32_t return_length = 0;  // the size the class needs, once it is known
};

// GetTokenInformation on an open token: TOKEN_ELEVATION when the buffer holds it.
TokenInformationAnswer answer_token_information(const TokenDescription& token,
                                                std::uint32_t information_class,
                                                std::span<std::uint8_t> information);

}  // namespace quartzmon::platform::simulated
