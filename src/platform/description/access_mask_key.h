// A disk's opens are described by access mask ("open": { "0x80000000": 5 }):
// JSON keys are text, so the mask is written as 0x and upper-case hex digits.
#pragma once

#include <cstdint>
#include <string>

namespace quartzmon::platform::description {

std::string access_mask_key(std::uint32_t mask);

}  // namespace quartzmon::platform::description
