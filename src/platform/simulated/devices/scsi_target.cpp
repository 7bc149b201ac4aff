#include "platform/simulated/devices/scsi_target.h"

#include "platform/simulated/description_reader.h"
#include "platform/simulated/win32_codes.h"

namespace quartzmon::platform::simulated {
namespace {

// SPC fixed format: response code, sense key at 2, additional length at 7
// (the ten bytes after it), ASC and ASCQ at 12 and 13.
constexpr std::uint8_t FIXED_FORMAT_CURRENT = 0x70;
constexpr std::size_t FIXED_FORMAT_SIZE = 18;
constexpr std::uint8_t FIXED_ADDITIONAL_LENGTH = 10;
// SPC descriptor format: response code, key, ASC, ASCQ, then descriptors
// (none here).
constexpr std::uint8_t DESCRIPTOR_FORMAT_CURRENT = 0x72;
constexpr std::size_t DESCRIPTOR_FORMAT_SIZE = 8;

}  // namespace

std::vector<std::uint8_t> fixed_format_sense(std::uint8_t sense_key, std::uint8_t asc,
                                             std::uint8_t ascq) {
    std::vector<std::uint8_t> sense(FIXED_FORMAT_SIZE, 0);
    sense[0] = FIXED_FORMAT_CURRENT;
    sense[2] = sense_key;
    sense[7] = FIXED_ADDITIONAL_LENGTH;
    sense[12] = asc;
    sense[13] = ascq;
    return sense;
}

std::vector<std::uint8_t> descriptor_format_sense(std::uint8_t sense_key, std::uint8_t asc,
                                                  std::uint8_t ascq) {
    std::vector<std::uint8_t> sense(DESCRIPTOR_FORMAT_SIZE, 0);
    sense[0] = DESCRIPTOR_FORMAT_CURRENT;
    sense[1] = sense_key;
    sense[2] = asc;
    sense[3] = ascq;
    return sense;
}

SenseFormat read_sense_format(const std::string& text, const std::string& place) {
    if (text == "fixed") return SenseFormat::Fixed;
    if (text == "descriptor") return SenseFormat::Descriptor;
    if (text == "none") return SenseFormat::None;
    throw DescriptionError{place, "expected \"fixed\", \"descriptor\" or \"none\""};
}

std::vector<std::uint8_t> sense_in_format(SenseFormat format, std::uint8_t sense_key,
                                          std::uint8_t asc, std::uint8_t ascq) {
    switch (format) {
        case SenseFormat::Fixed:
            return fixed_format_sense(sense_key, asc, ascq);
        case SenseFormat::Descriptor:
            return descriptor_format_sense(sense_key, asc, ascq);
        case SenseFormat::None:
            break;
    }
    return {};
}

ScsiCommandOutcome check_condition(std::uint8_t sense_key, std::uint8_t asc, std::uint8_t ascq) {
    return {SCSI_STATUS_CHECK_CONDITION, fixed_format_sense(sense_key, asc, ascq), 0, {}};
}

ScsiCommandOutcome no_completion() {
    ScsiCommandOutcome outcome;
    outcome.request_error = ERROR_SEM_TIMEOUT;
    return outcome;
}

}  // namespace quartzmon::platform::simulated
