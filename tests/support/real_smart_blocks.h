// What the sensor makes of each real SMART READ DATA block in tests/data/smart
// (index.tsv there names the drives and the source). The values were worked
// out from the bytes apart from the sensor's code, so the parser test and the
// providers' replay tests check against the same independent expectations.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "sensors/disk/records.h"

namespace quartzmon::test_support {

// The summary's fields apart from the list of kept attributes.
struct SmartExpectation {
    std::optional<std::uint8_t> temperature{};  // whole degrees Celsius, also the raw temperature
    std::optional<std::uint8_t> temperature_attribute_id{};
    std::uint64_t reallocated_sectors = 0;
    std::uint64_t pending_sectors = 0;
    std::uint64_t uncorrectable_sectors = 0;
    std::optional<std::uint8_t> life_remaining{};
    sensors::disk::HealthStatus health = sensors::disk::HealthStatus::Healthy;
};

struct RealSmartBlock {
    const char* file;   // under TEST_DATA_DIR/smart
    const char* model;  // the drive's model text, as index.tsv gives it
    SmartExpectation expected;
};

// The rules give what they give:
// - The four Fujitsu drives keep vendor data in raw[4] and raw[5] of attribute 5
//   (the 0085000B ones in the upper bytes of 197 and 198 too), so their 48-bit
//   counters are huge and the verdict is Critical.
// - MCCOE64GEMPP's attribute 5 has raw bytes 00 50 24 (2379776): Critical. Its
//   190 has raw[0] 0, so the temperature is its normalised value 45.
// - The Intel, Maxtor and SAMSUNG MMCQE28G8MUP drives have no temperature
//   attribute (and the Maxtors' 202 is normalised 253: no life value either).
// - The Seagate (ST...) drives have 194, which outranks their 190.
// - WDC WD2500JB's first block really reports 17 °C in 194.
inline std::span<const RealSmartBlock> real_smart_blocks() {
    using enum sensors::disk::HealthStatus;
    constexpr auto none = std::nullopt;
    // clang-format off
    // {file, model,
    //  {temperature, from attribute, reallocated, pending, uncorrectable, life, health}}
    static constexpr RealSmartBlock blocks[] = {
        {"FUJITSU_MHY2120BH--0084000D.bin", "FUJITSU MHY2120BH",
         {28, 194, 8589934592000, 0, 0, none, Critical}},
        {"FUJITSU_MHY2120BH--0085000B.bin", "FUJITSU MHY2120BH",
         {34, 194, 8589934592000, 120173136838658, 54670830665731, none, Critical}},
        {"FUJITSU_MHY2250BH--0085000B.bin", "FUJITSU MHY2250BH",
         {39, 194, 8589934592000, 43727574728707, 176661614690307, none, Critical}},
        {"FUJITSU_MHZ2160BH_G1--0084000A.bin", "FUJITSU MHZ2160BH G1",
         {39, 194, 8589934592000, 0, 0, none, Critical}},
        {"INTEL_SSDSA2CW120G3--4PC10302.bin", "INTEL SSDSA2CW120G3",
         {none, none, 0, 0, 0, 100, Healthy}},
        {"INTEL_SSDSA2MH080G1GC--045C8820.bin", "INTEL SSDSA2MH080G1GC",
         {none, none, 0, 0, 0, 100, Healthy}},
        {"MCCOE64GEMPP--2.9.09.bin", "MCCOE64GEMPP", {45, 190, 2379776, 0, 0, 100, Critical}},
        {"Maxtor_96147H8--BAC51KJ0.bin", "Maxtor 96147H8", {none, none, 69, 2, 0, none, Caution}},
        {"Maxtor_96147H8--BAC51KJ0--2.bin", "Maxtor 96147H8",
         {none, none, 69, 2, 0, none, Caution}},
        {"Maxtor_96147H8--BAC51KJ0--untagged-2009-04.bin", "Maxtor 96147H8",
         {none, none, 69, 2, 0, none, Caution}},
        {"SAMSUNG_HD501LJ--CR100-12.bin", "SAMSUNG HD501LJ", {47, 194, 1, 1, 0, none, Caution}},
        {"SAMSUNG_HD501LJ--CR100-12--untagged-2009-04.bin", "SAMSUNG HD501LJ",
         {48, 194, 1, 1, 0, none, Caution}},
        {"SAMSUNG_MMCQE28G8MUP--0VA_VAM08L1Q.bin", "SAMSUNG MMCQE28G8MUP-0VA",
         {none, none, 0, 0, 0, none, Healthy}},
        {"SAMSUNG_MP0804H--UE100-14.bin", "SAMSUNG MP0804H", {48, 194, 0, 0, 0, none, Healthy}},
        {"ST320410A--3.39.bin", "ST320410A", {40, 194, 5, 0, 0, 100, Caution}},
        {"ST320410A--3.39--untagged-2009-04.bin", "ST320410A", {40, 194, 5, 0, 0, 100, Caution}},
        {"ST9100821AS--3.CME.bin", "ST9100821AS", {34, 194, 0, 0, 0, 100, Healthy}},
        {"ST9160821AS--3.CLH.bin", "ST9160821AS", {38, 194, 0, 1, 1, 100, Critical}},
        {"TOSHIBA_MK1651GSY--38IGT0G5T.bin", "TOSHIBA MK1651GSY",
         {41, 194, 1, 0, 0, none, Caution}},
        {"WDC_WD2500JB--00REA0-20.00K20.bin", "WDC WD2500JB-00REA0",
         {17, 194, 0, 1, 0, none, Caution}},
        {"WDC_WD2500JB--00REA0-20.00K20--untagged-2009-04.bin", "WDC WD2500JB-00REA0",
         {50, 194, 0, 1, 0, none, Caution}},
        {"WDC_WD2500JS-75NCB3--10.02E04.bin", "WDC WD2500JS-75NCB3",
         {38, 194, 0, 0, 0, none, Healthy}},
        {"WDC_WD5000AAKS--00TMA0-12.01C01.bin", "WDC WD5000AAKS-00TMA0",
         {40, 194, 63, 529, 0, none, Caution}},
        {"WDC_WD5000AAKS--00TMA0-12.01C01--untagged-2009-04.bin", "WDC WD5000AAKS-00TMA0",
         {39, 194, 63, 529, 0, none, Caution}},
    };
    // clang-format on
    return blocks;
}

}  // namespace quartzmon::test_support
