// The SMART attribute table of any block. The input is the block as the
// device sent it; whatever follows its first 512 bytes is also the disk's
// model text, so real 512-byte dumps are seeds as they are.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "invariant.h"
#include "sensors/disk/providers/smart_attributes.h"

using namespace quartzmon::sensors::disk;
using quartzmon::fuzz::require;

namespace {

void check_summary(const providers::AtaSmartSummary& summary) {
    const bool has_temperature = summary.temperature_c.has_value();
    require(summary.raw_temperature.has_value() == has_temperature &&
                summary.temperature_attribute_id.has_value() == has_temperature,
            "temperature, raw value and attribute come together");
    if (has_temperature) {
        const float celsius = *summary.temperature_c;
        require(celsius >= 1.0f && celsius <= 99.0f &&
                    celsius == static_cast<float>(*summary.raw_temperature),
                "temperature is a whole number 1..99 equal to its raw value");
        const std::uint8_t id = *summary.temperature_attribute_id;
        require(id == 190 || id == 194 || id == 231, "temperature comes from 190, 194 or 231");
    }
    if (summary.life_remaining) {
        require(*summary.life_remaining >= 1 && *summary.life_remaining <= 100,
                "life value 1..100");
    }
    require(summary.health != HealthStatus::Unavailable, "verdict is never Unavailable");
    require(!summary.attributes.empty() && summary.attributes.size() <= 30,
            "1 to 30 attributes kept");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> block(data, size);
    const std::string model =
        size > providers::SMART_READ_DATA_SIZE
            ? std::string(reinterpret_cast<const char*>(data) + providers::SMART_READ_DATA_SIZE,
                          size - providers::SMART_READ_DATA_SIZE)
            : std::string();

    const auto parsed = providers::parse_ata_smart_attributes(block, model);
    if (parsed) {
        check_summary(*parsed);
        return 0;
    }
    require(parsed.error().kind == provider::ProviderError::Kind::ParseError, "a parse error");
    const std::string expected =
        size < providers::SMART_READ_DATA_SIZE
            ? "ATA SMART buffer too small: " + std::to_string(size) + " bytes (required 512)"
            : "No valid SMART attributes found in ATA table";
    require(parsed.error().message == expected, "one of the two error texts, the right one");
    return 0;
}
