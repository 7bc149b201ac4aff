// Serial numbers and labels taken out of a captured description: the whole
// description after, compared with the one expected.
#include "capture/anonymizer.h"

#include <gtest/gtest.h>

#include <cctype>
#include <nlohmann/json.hpp>
#include <string>

namespace quartzmon {
namespace {

struct Case {
    const char* name;
    const char* description;
    const char* expected;
};

// A descriptor whose SerialNumberOffset (40) points at " S4EWNX0R123456".
#define DESCRIPTOR_HEADER                                                                     \
    "28 00 00 00 33 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 28 00 00 00 07 " \
    "00 00 00 00 00 00 00 00 00 00 00 "

const Case CASES[] = {
    {"a serial is replaced wherever it appears, in any case",
     R"({ "disks": [ { "replay": [ { "request": { "ioctl": "IOCTL_STORAGE_QUERY_PROPERTY", "property_id": 0, "query_type": 0 },
                                      "out": ")" DESCRIPTOR_HEADER
     R"(20 53 34 45 57 4E 58 30 52 31 32 33 34 35 36" } ] } ],
          "registry": { "SYSTEM\\CurrentControlSet\\Enum\\USBSTOR\\s4ewnx0r123456&0": {
                          "0": "USBSTOR\\Disk&Ven_X&Prod_Y\\s4ewnx0r123456&0" } },
          "device_tree": [ { "id": "USBSTOR\\Disk&Ven_X&Prod_Y\\S4EWNX0R123456&0", "parent": "USB\\VID_152D&PID_0578\\0123456789AB" },
                           { "id": "USB\\VID_152D&PID_0578\\0123456789AB" } ],
          "volumes": { "C": { "label": "Family photos" } } })",
     R"({ "disks": [ { "replay": [ { "request": { "ioctl": "IOCTL_STORAGE_QUERY_PROPERTY", "property_id": 0, "query_type": 0 },
                                      "out": ")" DESCRIPTOR_HEADER
     R"(20 53 45 52 49 41 4C 30 30 30 30 30 30 30 31" } ] } ],
          "registry": { "SYSTEM\\CurrentControlSet\\Enum\\USBSTOR\\SERIAL00000001&0": {
                          "0": "USBSTOR\\Disk&Ven_X&Prod_Y\\SERIAL00000001&0" } },
          "device_tree": [ { "id": "USBSTOR\\Disk&Ven_X&Prod_Y\\SERIAL00000001&0", "parent": "USB\\VID_152D&PID_0578\\SERIAL000002" },
                           { "id": "USB\\VID_152D&PID_0578\\SERIAL000002" } ],
          "volumes": { "C": { "label": "VOLUME_C" } } })"},
    {"instance IDs Windows made up, short serials and empty labels stay",
     R"({ "disks": [ { "replay": [ { "request": { "ioctl": "IOCTL_STORAGE_QUERY_PROPERTY", "property_id": 0, "query_type": 0 },
                                      "out": ")" DESCRIPTOR_HEADER R"(41 42 31" } ] } ],
          "registry": { "SYSTEM\\CurrentControlSet\\Services\\disk\\Enum": { "0": "SCSI\\Disk&Ven_NVMe&Prod_X\\5&1a&0&000000" } },
          "device_tree": [ { "id": "USB\\VID_0BDA&PID_9210\\6&2b&0&1" } ],
          "volumes": { "D": { "label": "" } } })",
     R"({ "disks": [ { "replay": [ { "request": { "ioctl": "IOCTL_STORAGE_QUERY_PROPERTY", "property_id": 0, "query_type": 0 },
                                      "out": ")" DESCRIPTOR_HEADER R"(41 42 31" } ] } ],
          "registry": { "SYSTEM\\CurrentControlSet\\Services\\disk\\Enum": { "0": "SCSI\\Disk&Ven_NVMe&Prod_X\\5&1a&0&000000" } },
          "device_tree": [ { "id": "USB\\VID_0BDA&PID_9210\\6&2b&0&1" } ],
          "volumes": { "D": { "label": "" } } })"},
};

class Anonymizer : public testing::TestWithParam<Case> {};

TEST_P(Anonymizer, GivesTheExpectedDescription) {
    const auto anonymized =
        capture::anonymize_description(nlohmann::json::parse(GetParam().description));
    EXPECT_EQ(anonymized, nlohmann::json::parse(GetParam().expected)) << anonymized.dump(2);
}

INSTANTIATE_TEST_SUITE_P(Cases, Anonymizer, testing::ValuesIn(CASES),
                         [](const testing::TestParamInfo<Case>& test) {
                             std::string name;
                             for (const char c : std::string(test.param.name))
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

}  // namespace
}  // namespace quartzmon
