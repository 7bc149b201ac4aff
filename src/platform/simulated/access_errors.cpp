#include "platform/simulated/access_errors.h"

#include "platform/platform.h"

namespace quartzmon::platform::simulated {

std::uint32_t AccessErrors::error_for(std::uint32_t access) const {
    const auto rule = by_mask.find(access);
    return rule == by_mask.end() ? other : rule->second;
}

AccessErrors read_write_required() {
    AccessErrors errors;
    errors.by_mask[GENERIC_READ | GENERIC_WRITE] = 0;
    errors.other = ERROR_ACCESS_DENIED;
    return errors;
}

void read_access_errors(JsonObject& object, AccessErrors& errors) {
    for (const auto& [key, value] : object.members()) {
        const std::string place = object.place_of(key);
        const std::uint32_t error = read_u32(*value, place);
        if (key == "other") {
            errors.other = error;
        } else {
            errors.by_mask[parse_u32_text(key, place)] = error;
        }
    }
}

}  // namespace quartzmon::platform::simulated
