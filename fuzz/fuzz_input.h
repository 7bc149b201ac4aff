// Reads a fuzzer's input front to back as a series of decisions and byte
// strings. Past the end every read gives zeros, so any input, even an empty
// one, describes something.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quartzmon::fuzz {

class FuzzInput {
public:
    explicit FuzzInput(std::span<const std::uint8_t> data) : data_(data) {}

    std::uint8_t byte() { return position_ < data_.size() ? data_[position_++] : 0; }

    std::uint16_t u16() {
        const std::uint16_t low = byte();
        return static_cast<std::uint16_t>(low | byte() << 8);
    }

    std::uint32_t u32() {
        const std::uint32_t low = u16();
        return low | static_cast<std::uint32_t>(u16()) << 16;
    }

    bool flag() { return (byte() & 1) != 0; }

    // A number from 0 to count - 1.
    std::uint32_t choice(std::uint32_t count) { return byte() % count; }

    // Exactly size bytes; zeros past the end of the input.
    std::vector<std::uint8_t> bytes(std::size_t size) {
        std::vector<std::uint8_t> result(size);
        for (auto& b : result) b = byte();
        return result;
    }

    // A length (0 to max_size) followed by that many bytes of the input, or
    // fewer when the input ends first.
    std::vector<std::uint8_t> blob(std::size_t max_size) {
        const std::size_t size = u16() % (max_size + 1);
        const std::size_t available = data_.size() - position_;
        const std::size_t taken = size < available ? size : available;
        std::vector<std::uint8_t> result(
            data_.begin() + static_cast<std::ptrdiff_t>(position_),
            data_.begin() + static_cast<std::ptrdiff_t>(position_ + taken));
        position_ += taken;
        return result;
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
};

}  // namespace quartzmon::fuzz
