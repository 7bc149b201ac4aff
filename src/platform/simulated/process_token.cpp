#include "platform/simulated/process_token.h"

#include "platform/bytes.h"
#include "platform/platform.h"
#include "platform/windows_layouts.h"

namespace quartzmon::platform::simulated {
namespace {

constexpr std::uint32_t SIZEOF_TOKEN_ELEVATION = layout::TOKEN_ELEVATION::size;

}  // namespace

TokenDescription read_token(JsonObject* token) {
    TokenDescription result;
    if (token == nullptr) return result;
    result.elevated = token->boolean("elevated").value_or(true);
    result.open_error = token->u32("open_error").value_or(0);
    result.information_error = token->u32("information_error").value_or(0);
    token->reject_unknown_keys();
    return result;
}

TokenInformationAnswer answer_token_information(const TokenDescription& token,
                                                std::uint32_t information_class,
                                                std::span<std::uint8_t> information) {
    if (information_class != TokenElevation) return {ERROR_INVALID_PARAMETER, 0};
    if (token.information_error != 0) return {token.information_error, 0};
    if (information.size() < SIZEOF_TOKEN_ELEVATION)
        return {ERROR_INSUFFICIENT_BUFFER, SIZEOF_TOKEN_ELEVATION};
    put_u32(information, layout::TOKEN_ELEVATION::TokenIsElevated, token.elevated ? 1 : 0);
    return {0, SIZEOF_TOKEN_ELEVATION};
}

}  // namespace quartzmon::platform::simulated
