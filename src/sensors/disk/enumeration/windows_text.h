// Text that Windows calls write into zero-filled UTF-16 buffers.
#pragma once

#include <span>
#include <string>

namespace quartzmon::sensors::disk::enumeration {

// The whole buffer as UTF-8 (U+FFFD for unpaired surrogates) without the zero
// characters at either end.
std::string text_without_outer_zeros(std::span<const char16_t> buffer);

}  // namespace quartzmon::sensors::disk::enumeration
