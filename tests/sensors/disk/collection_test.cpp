// The run-level parts of a collection: elevation and the run's time.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/simulated/simulated_machine.h"
#include "sensors/disk/collection.h"
#include "support/call_log.h"

namespace quartzmon::sensors::disk {
namespace {

using platform::simulated::SimulatedMachine;
using testing::calls_to;

std::unique_ptr<SimulatedMachine> machine(nlohmann::json token, const char* local_time) {
    const nlohmann::json description = {{"token", token}, {"clock", {{"local_time", local_time}}}};
    auto built = SimulatedMachine::from_json(description.dump(), "collection test");
    EXPECT_TRUE(built.has_value()) << built.error();
    return std::move(*built);
}

TEST(Collection, Elevation) {
    struct Case {
        const char* name;
        nlohmann::json token;
        bool elevated;
        std::size_t closes;  // the token is closed whenever it was opened
    };
    const std::vector<Case> cases = {
        {"elevated token", {{"elevated", true}}, true, 1},
        {"limited token", {{"elevated", false}}, false, 1},
        {"token cannot be opened", {{"elevated", true}, {"open_error", 5}}, false, 0},
        {"elevation cannot be read", {{"elevated", true}, {"information_error", 87}}, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto m = machine(c.token, "2024-05-14T21:30:59.000");
        const CollectionResult result = collect_disk_health(*m);
        EXPECT_EQ(result.is_elevated, c.elevated);
        EXPECT_EQ(result.logs.at(0), std::string("DiskSensor collection executed at 21:30:59 (Elevated: ") +
                                         (c.elevated ? "true" : "false") + ")");
        EXPECT_EQ(calls_to(m->call_log(), {"CloseHandle"}).size(), c.closes);
        EXPECT_EQ(calls_to(m->call_log(), {"OpenProcessToken"}).front(),
                  std::string("OpenProcessToken(0xFFFFFFFFFFFFFFFF, 0x8) -> ") +
                      (c.token.contains("open_error") ? "FALSE, error 5" : "TRUE, token 0x100"));
    }
}

TEST(Collection, TheRunTimeHasLeadingZeros) {
    auto m = machine({{"elevated", true}}, "2024-05-14T09:05:03.999");
    const CollectionResult result = collect_disk_health(*m);
    EXPECT_EQ(result.timestamp, "09:05:03");
    EXPECT_EQ(result.logs.at(0), "DiskSensor collection executed at 09:05:03 (Elevated: true)");
}

}  // namespace
}  // namespace quartzmon::sensors::disk
