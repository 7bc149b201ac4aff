#include "sensors/disk/device/nvme_log_query.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/device_data.h"
#include "support/machine.h"

namespace quartzmon::sensors::disk::device {
namespace {

// A refused query leaves the buffer as sent; an answered one holds the
// protocol data descriptor and the page after it.
TEST(NvmeLogQuery, SendsTheProtocolSpecificQueryAndFindsThePageInTheReply) {
    auto machine = test_support::make_machine(
        R"({ "disks": [ { "nvme": { "refused_queries": [ { "property_id": 50, "error": 1 } ],
                                    "health_log": { "hex": ")" +
        test_support::counting_hex(512) + R"(" } } } ] })");
    auto device = open_device(*machine, "\\\\.\\PhysicalDrive0", 0);
    ASSERT_TRUE(device);

    const NvmeLogQueryReply refused = query_nvme_log_page(*device, 50, 0x02, 0xFFFFFFFF);
    EXPECT_FALSE(refused.call.succeeded);
    test_support::expect_data(refused.buffer,
                              {{0,
                                "32000000 00000000 03000000 02000000 02000000 FFFFFFFF "
                                "28000000 00100000 00000000 00000000 00000000 00000000"}});
    EXPECT_EQ(std::vector(refused.buffer.begin() + 48, refused.buffer.end()),
              std::vector<std::uint8_t>(4096, 0));

    const NvmeLogQueryReply answered = query_nvme_log_page(*device, 49, 0x02, 0);
    EXPECT_TRUE(answered.call.succeeded);
    EXPECT_EQ(answered.call.bytes_returned, 4144u);
    test_support::expect_data(answered.log_data(), {{0, test_support::counting_hex(512)}});
}

}  // namespace
}  // namespace quartzmon::sensors::disk::device
