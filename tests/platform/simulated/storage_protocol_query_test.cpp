// The protocol-specific properties of an NVMe drive, as the Windows NVMe
// driver decodes them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/bytes.h"
#include "support/call_log.h"
#include "support/device_data.h"
#include "support/machine.h"

namespace {

using namespace quartzmon::platform;
using namespace quartzmon::test_support;

// Offsets into the query: STORAGE_PROPERTY_QUERY, then at 8 the
// STORAGE_PROTOCOL_SPECIFIC_DATA.
constexpr std::size_t QUERY_TYPE = 4;
constexpr std::size_t PROTOCOL_TYPE = 8;
constexpr std::size_t DATA_TYPE = 12;
constexpr std::size_t LOG_IDENTIFIER = 16;
constexpr std::size_t SUB_VALUE = 20;
constexpr std::size_t DATA_OFFSET = 24;
constexpr std::size_t DATA_LENGTH = 28;

struct QueryCase {
    const char* name;
    std::string disk;                                            // members of disk 0's description
    std::vector<std::pair<std::size_t, std::uint32_t>> changes;  // to the health log query
    std::string result;                                          // of the call-log line
    ExpectedData reply = {};
    std::size_t in_size = 4144;
};

// Property 49, health log, sub-value 0, the data 40 bytes after the
// protocol-specific data's start, 4096 bytes of it.
std::vector<std::uint8_t> health_log_query(const QueryCase& given) {
    std::vector<std::uint8_t> query(4144, 0);
    put_u32(query, 0, 49);
    put_u32(query, PROTOCOL_TYPE, 3);
    put_u32(query, DATA_TYPE, 2);
    put_u32(query, LOG_IDENTIFIER, 2);
    put_u32(query, DATA_OFFSET, 40);
    put_u32(query, DATA_LENGTH, 4096);
    for (const auto& [offset, value] : given.changes) put_u32(query, offset, value);
    query.resize(given.in_size);
    return query;
}

const std::string COUNTING_NVME =
    R"("nvme": { "health_log": { "hex": ")" + counting_hex(512) + R"(" })";
const std::string PAGE_FROM_0 = "00010203 04050607";
const std::string PAGE_FROM_8 = "08090A0B 0C0D0E0F";

TEST(StorageProtocolQuery, DecodesTheQueryAsTheNvmeDriverDoes) {
    const std::string log = "property 49, log 02h, sub-value ";
    const std::vector<QueryCase> cases{
        {"no NVMe drive", "", {}, "FALSE, 0 bytes, error 50"},
        {"the page, after the descriptor",
         COUNTING_NVME + "}",
         {},
         "TRUE, 4144 bytes, " + log + "0",
         {{0, "30000000 30000000 03000000 02000000 02000000 00000000 28000000 00100000"},
          {48, PAGE_FROM_0},
          {556, "06070809 00000000"}}},
        {"device property, sub-value as offset, a shorter length",
         COUNTING_NVME + "}",
         {{0, 50}, {SUB_VALUE, 8}, {DATA_LENGTH, 512}},
         "TRUE, 560 bytes, property 50, log 02h, sub-value 8",
         {{28, "00020000"}, {48, PAGE_FROM_8}}},
        {"an offset past the page",
         COUNTING_NVME + "}",
         {{SUB_VALUE, 0xFFFFFFFF}},
         "FALSE, 0 bytes, " + log + "4294967295, error 1117"},
        {"a controller without offsets",
         COUNTING_NVME + R"(, "log_page_offset": false })",
         {{SUB_VALUE, 0xFFFFFFFF}},
         "TRUE, 4144 bytes, " + log + "4294967295",
         {{48, PAGE_FROM_0}}},
        {"refused for every sub-value",
         R"("nvme": { "refused_queries": [ { "property_id": 49, "error": 1 } ] })",
         {{SUB_VALUE, 4}},
         "FALSE, 0 bytes, " + log + "4, error 1"},
        {"ATA protocol data",
         R"("nvme": {})",
         {{PROTOCOL_TYPE, 2}},
         "FALSE, 0 bytes, " + log + "0, error 50"},
        {"data past the buffer",
         R"("nvme": {})",
         {{DATA_LENGTH, 4097}},
         "FALSE, 0 bytes, " + log + "0, error 87"},
        {"no protocol-specific data", R"("nvme": {})", {}, "FALSE, 0 bytes, error 87", {}, 47},
        {"exists query", R"("nvme": {})", {{QUERY_TYPE, 1}}, "TRUE, 0 bytes"},
    };
    for (const QueryCase& given : cases) {
        auto machine = make_machine(R"({ "disks": [ { )" + given.disk + " } ] }");
        const Handle disk = machine->create_file(u"\\\\.\\PhysicalDrive0", 0, 3, OPEN_EXISTING, 0);
        const std::vector<std::uint8_t> query = health_log_query(given);
        std::vector<std::uint8_t> out(4144, 0xEE);
        std::uint32_t bytes = 0;
        machine->device_io_control(disk, IOCTL_STORAGE_QUERY_PROPERTY, query, out, bytes);

        EXPECT_EQ(calls_to(machine->call_log(), {"DeviceIoControl"}),
                  std::vector<std::string>{"DeviceIoControl(0x100, IOCTL_STORAGE_QUERY_PROPERTY, "
                                           "in " +
                                           std::to_string(given.in_size) + ", out 4144) -> " +
                                           given.result})
            << given.name;
        expect_data(out, given.reply);
    }
}

}  // namespace
