#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/machine.h"

namespace {

using namespace quartzmon::platform;
using quartzmon::test_support::make_machine;

constexpr const char* REGISTRY = R"({"registry": {
    "SYSTEM\\CurrentControlSet\\Services\\disk\\Enum": {
        "0": "SCSI\\Disk\\1",
        "Count": {"type": 4, "hex": "01000000"}
    }
}})";

constexpr const char16_t* ENUM_KEY = u"SYSTEM\\CurrentControlSet\\Services\\disk\\Enum";

Handle open_key(Platform& machine, const char16_t* path) {
    Handle key = 0;
    EXPECT_EQ(machine.reg_open_key_ex(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key), ERROR_SUCCESS);
    return key;
}

TEST(RegistryTest, TextValueIsUtf16WithItsTerminator) {
    auto machine = make_machine(REGISTRY);
    const Handle key = open_key(*machine, ENUM_KEY);
    std::vector<std::uint8_t> data(1024, 0xEE);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    ASSERT_EQ(machine->reg_query_value_ex(key, u"0", type, data, size), ERROR_SUCCESS);
    EXPECT_EQ(type, 1u);
    EXPECT_EQ(size, 24u);
    const std::vector<std::uint8_t> expected{'S', 0, 'C', 0, 'S', 0, 'I',  0, '\\', 0, 'D', 0,
                                             'i', 0, 's', 0, 'k', 0, '\\', 0, '1',  0, 0,   0};
    EXPECT_EQ(std::vector<std::uint8_t>(data.begin(), data.begin() + 24), expected);
    EXPECT_EQ(data[24], 0xEE);
    EXPECT_EQ(machine->reg_close_key(key), ERROR_SUCCESS);
}

TEST(RegistryTest, RawValueWithType) {
    auto machine = make_machine(REGISTRY);
    const Handle key = open_key(*machine, u"system\\currentcontrolset\\services\\DISK\\enum");
    std::vector<std::uint8_t> data(8);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    ASSERT_EQ(machine->reg_query_value_ex(key, u"count", type, data, size), ERROR_SUCCESS);
    EXPECT_EQ(type, 4u);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(data[0], 1u);
}

TEST(RegistryTest, TooSmallBufferReportsTheSizeNeeded) {
    auto machine = make_machine(REGISTRY);
    const Handle key = open_key(*machine, ENUM_KEY);
    std::vector<std::uint8_t> data(23, 0xEE);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(machine->reg_query_value_ex(key, u"0", type, data, size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 24u);
    EXPECT_EQ(data[0], 0xEE);
}

TEST(RegistryTest, MissingKeysAndValues) {
    auto machine = make_machine(REGISTRY);
    Handle key = 0;
    EXPECT_EQ(machine->reg_open_key_ex(HKEY_LOCAL_MACHINE, u"SYSTEM\\Missing", 0, KEY_READ, key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(machine->reg_open_key_ex(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Serv", 0,
                                       KEY_READ, key),
              ERROR_FILE_NOT_FOUND);

    const Handle enum_key = open_key(*machine, ENUM_KEY);
    std::vector<std::uint8_t> data(1024);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(machine->reg_query_value_ex(enum_key, u"1", type, data, size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(machine->reg_close_key(enum_key), ERROR_SUCCESS);
    EXPECT_EQ(machine->reg_close_key(enum_key), ERROR_INVALID_HANDLE);
}

TEST(RegistryTest, KeysOnThePathExistAndOpenRelatively) {
    auto machine = make_machine(REGISTRY);
    const Handle system = open_key(*machine, u"SYSTEM\\CurrentControlSet");
    Handle enum_key = 0;
    ASSERT_EQ(machine->reg_open_key_ex(system, u"Services\\disk\\Enum", 0, KEY_READ, enum_key),
              ERROR_SUCCESS);
    std::vector<std::uint8_t> data(1024);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(machine->reg_query_value_ex(enum_key, u"0", type, data, size), ERROR_SUCCESS);
}

}  // namespace
