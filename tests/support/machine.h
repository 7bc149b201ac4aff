// Builds a simulated machine from description text in a test; a description
// the machine rejects fails the test (and an empty machine stands in).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string_view>

#include "platform/simulated/simulated_machine.h"

namespace quartzmon::test_support {

inline std::unique_ptr<platform::simulated::SimulatedMachine> make_machine(
    std::string_view description) {
    auto machine = platform::simulated::SimulatedMachine::from_json(description, "test machine");
    if (machine) return std::move(*machine);
    ADD_FAILURE() << machine.error();
    return std::move(*platform::simulated::SimulatedMachine::from_json("{}", "empty machine"));
}

}  // namespace quartzmon::test_support
