#include "platform/description/access_mask_key.h"

#include <cstdio>

namespace quartzmon::platform::description {

std::string access_mask_key(std::uint32_t mask) {
    char key[16];
    std::snprintf(key, sizeof key, "0x%X", mask);
    return key;
}

}  // namespace quartzmon::platform::description
