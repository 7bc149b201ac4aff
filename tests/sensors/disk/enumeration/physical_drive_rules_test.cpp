#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sensors/disk/enumeration/physical_drives.h"

namespace quartzmon::sensors::disk::enumeration {
namespace {

std::vector<std::uint8_t> descriptor_with(std::size_t at, std::string_view bytes) {
    std::vector<std::uint8_t> descriptor(1024, 0);
    for (std::size_t i = 0; i < bytes.size() && at + i < descriptor.size(); ++i)
        descriptor[at + i] = static_cast<std::uint8_t>(bytes[i]);
    return descriptor;
}

TEST(DescriptorText, ReadsTrimmedZeroTerminatedUtf8) {
    struct TextCase {
        std::size_t written_at;
        std::string bytes;
        std::uint32_t offset;
        std::string expected;
    };
    const TextCase cases[] = {
        {100, std::string("Samsung\0rest", 12), 100, "Samsung"},
        {100, "  WD  ", 100, "WD"},
        {100, "\t\r\n 1.0 \x0B\x0C", 100, "1.0"},
        {100, "        ", 100, ""},
        {100,
         "\xC2\xA0\xE3\x80\x80"
         "A B\xE2\x80\xAF\xC2\x85",
         100, "A B"},
        {100,
         "\xE2\x80\x8B"
         "X",
         100,
         "\xE2\x80\x8B"
         "X"},  // U+200B is no white space
        {100,
         "Bad\xFF"
         "Byte",
         100,
         "Bad\xEF\xBF\xBD"
         "Byte"},
        {100, "Cut\xE3\x81", 100, "Cut\xEF\xBF\xBD"},
        {100, "model", 102, "del"},
        {100, "model", 0, ""},
        {0, "model", 0, ""},
        {100, "model", 1024, ""},
        {100, "model", 0xFFFFFFFF, ""},
        {1020, "ABCD", 1020, "ABCD"},  // no terminator: read to the end of the buffer
        {1023, "Z", 1023, "Z"},
    };
    for (const TextCase& c : cases) {
        const auto descriptor = descriptor_with(c.written_at, c.bytes);
        EXPECT_EQ(descriptor_text(descriptor, c.offset), c.expected) << c.bytes;
    }
}

TEST(ModelText, JoinsVendorAndProductOrNamesTheDrive) {
    EXPECT_EQ(model_text("V", "P", 0), "V P");
    EXPECT_EQ(model_text("", "P", 0), "P");
    EXPECT_EQ(model_text("V", "", 0), "V");
    EXPECT_EQ(model_text("", "", 3), "PhysicalDrive3");
    EXPECT_EQ(model_text("", "", 15), "PhysicalDrive15");
}

TEST(BusTypeName, NamesEveryCode) {
    const std::vector<std::pair<std::uint32_t, std::string>> cases = {
        {0, "Storage"},  {1, "SCSI"},       {2, "Storage"},
        {3, "ATAPI"},    {4, "Storage"},    {5, "Storage"},
        {6, "Storage"},  {7, "USB"},        {8, "RAID"},
        {9, "Storage"},  {10, "Storage"},   {11, "SATA"},
        {12, "Storage"}, {16, "Storage"},   {17, "NVMe"},
        {18, "Storage"}, {0x7F, "Storage"}, {0xFFFFFFFF, "Storage"},
    };
    for (const auto& [code, name] : cases) EXPECT_EQ(bus_type_name(code), name) << code;
}

TEST(InternalProtocol, BridgeFirstThenBusThenModel) {
    struct ProtocolCase {
        std::optional<std::string_view> bridge;
        std::uint32_t code;
        std::string model;
        std::string expected;
    };
    const ProtocolCase cases[] = {
        {std::nullopt, 17, "Samsung SSD 980", "NVMe"},
        {std::nullopt, 11, "WDC WD40EFRX", "SATA"},
        {"SATA", 17, "Samsung SSD 980", "SATA"},
        {"NVMe", 11, "WDC WD40EFRX", "NVMe"},
        {"NVMe", 7, "Samsung Portable SSD T7 SATA", "NVMe"},
        {"SATA", 7, "NVMe enclosure", "SATA"},
        {std::nullopt, 7, "Generic nVmE Enclosure", "NVMe"},
        {std::nullopt, 7, "Generic SATA Enclosure", "SATA"},
        {std::nullopt, 7, "", "SATA"},
        {std::nullopt, 1, "NVMe on SCSI", ""},
        {std::nullopt, 10, "SAS drive", ""},
        {std::nullopt, 2, "", ""},
        {std::nullopt, 3, "", ""},
        {std::nullopt, 8, "NVMe RAID", ""},
        {"SATA", 10, "SAS drive", "SATA"},
    };
    for (const ProtocolCase& c : cases) {
        EXPECT_EQ(internal_protocol(c.bridge, c.code, bus_type_name(c.code), c.model), c.expected)
            << c.code << " " << c.model;
    }
}

}  // namespace
}  // namespace quartzmon::sensors::disk::enumeration
