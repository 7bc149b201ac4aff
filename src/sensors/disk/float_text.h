// The document's number form of a 32-bit float, which the JSON writer uses for
// every number and some diagnostic texts repeat.
#pragma once

#include <string>

namespace quartzmon::sensors::disk {

// The shortest decimal text that reads back as the same 32-bit float:
// 35.0, 36.6, 0.00125, 1e13, 1.5e-7, -0.0. Finite values only.
std::string float_text(float value);

}  // namespace quartzmon::sensors::disk
