// The result document as JSON, byte for byte: a fixed pretty layout (two-space
// indent), keys in field order, null for absent values, 32-bit shortest float
// text. Writing to memory cannot fail for these types.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sensors/disk/records.h"

namespace quartzmon {

std::vector<std::uint8_t> serialize_pretty(const sensors::disk::CollectionResult& result);

// The shortest decimal text that reads back as the same 32-bit float, in the
// document's number form: 35.0, 36.6, 0.00125, 1e13, 1.5e-7, -0.0. Finite
// values only.
std::string float_text(float value);

}  // namespace quartzmon
