// Little-endian reads and writes at fixed offsets of request and reply buffers.
// Structures crossing the boundary are built and read as bytes, never by
// casting to structs, so the layout is the same with every compiler.
// Callers check lengths first; an offset past the end is a programming error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quartzmon::platform {

inline std::uint8_t get_u8(std::span<const std::uint8_t> buf, std::size_t offset) {
    return buf[offset];
}

inline std::uint16_t get_u16(std::span<const std::uint8_t> buf, std::size_t offset) {
    return static_cast<std::uint16_t>(buf[offset] | (buf[offset + 1] << 8));
}

inline std::int16_t get_i16(std::span<const std::uint8_t> buf, std::size_t offset) {
    return static_cast<std::int16_t>(get_u16(buf, offset));
}

inline std::uint32_t get_u32(std::span<const std::uint8_t> buf, std::size_t offset) {
    return static_cast<std::uint32_t>(get_u16(buf, offset)) |
           (static_cast<std::uint32_t>(get_u16(buf, offset + 2)) << 16);
}

inline std::uint64_t get_u64(std::span<const std::uint8_t> buf, std::size_t offset) {
    return static_cast<std::uint64_t>(get_u32(buf, offset)) |
           (static_cast<std::uint64_t>(get_u32(buf, offset + 4)) << 32);
}

inline void put_u8(std::span<std::uint8_t> buf, std::size_t offset, std::uint8_t value) {
    buf[offset] = value;
}

inline void put_u16(std::span<std::uint8_t> buf, std::size_t offset, std::uint16_t value) {
    buf[offset] = static_cast<std::uint8_t>(value);
    buf[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void put_u32(std::span<std::uint8_t> buf, std::size_t offset, std::uint32_t value) {
    put_u16(buf, offset, static_cast<std::uint16_t>(value));
    put_u16(buf, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

inline void put_u64(std::span<std::uint8_t> buf, std::size_t offset, std::uint64_t value) {
    put_u32(buf, offset, static_cast<std::uint32_t>(value));
    put_u32(buf, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

}  // namespace quartzmon::platform
