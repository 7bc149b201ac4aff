// The result document as JSON, byte for byte: a fixed pretty layout (two-space
// indent), keys in field order, null for absent values, 32-bit shortest float
// text. Writing to memory cannot fail for these types.
#pragma once

#include <cstdint>
#include <vector>

#include "sensors/disk/records.h"

namespace quartzmon {

std::vector<std::uint8_t> serialize_pretty(const sensors::disk::CollectionResult& result);

}  // namespace quartzmon
