#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/machine.h"

namespace {

using namespace quartzmon::platform;
using quartzmon::test_support::make_machine;

constexpr const char16_t* POWERSHELL =
    u"C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe";

std::string programs(const char* powershell) {
    return std::string(
               R"({"programs": {"C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe": )") +
           powershell + "}}";
}

ChildProcess start(Platform& machine, const char16_t* application = POWERSHELL) {
    ChildProcess child;
    EXPECT_TRUE(machine.create_process_with_output_pipe(application, u"\"powershell\" -NoProfile",
                                                        CREATE_NO_WINDOW, child));
    return child;
}

TEST(ChildProcessTest, OutputComesInChunksThenThePipeBreaks) {
    auto machine = make_machine(programs(R"({"stdout": "0:C\r\n1:D\r\n", "exit_code": 0})"));
    const ChildProcess child = start(*machine);

    std::uint32_t available = 0;
    ASSERT_TRUE(machine->peek_named_pipe(child.stdout_read, available));
    EXPECT_EQ(available, 10u);

    std::vector<std::uint8_t> buffer(4);
    std::uint32_t read = 0;
    std::string output;
    while (machine->read_file(child.stdout_read, buffer, read)) {
        EXPECT_LE(read, 4u);
        output.append(buffer.begin(), buffer.begin() + read);
    }
    EXPECT_EQ(output, "0:C\r\n1:D\r\n");
    EXPECT_EQ(machine->get_last_error(), ERROR_BROKEN_PIPE);
    EXPECT_FALSE(machine->peek_named_pipe(child.stdout_read, available));
    EXPECT_EQ(machine->get_last_error(), ERROR_BROKEN_PIPE);

    std::uint32_t exit_code = 99;
    EXPECT_EQ(machine->wait_for_single_object(child.process, 60000), WAIT_OBJECT_0);
    ASSERT_TRUE(machine->get_exit_code_process(child.process, exit_code));
    EXPECT_EQ(exit_code, 0u);
    EXPECT_TRUE(machine->close_handle(child.stdout_read));
    EXPECT_TRUE(machine->close_handle(child.process));
}

TEST(ChildProcessTest, WaitingPassesSimulatedTimeUntilTheChildExits) {
    auto machine = make_machine(
        programs(R"({"stdout_hex": "30 3a 43", "exit_code": 3, "exits_after_ms": 1500})"));
    const ChildProcess child = start(*machine);
    const std::uint64_t started = machine->get_tick_count64();

    std::uint32_t exit_code = 0;
    ASSERT_TRUE(machine->get_exit_code_process(child.process, exit_code));
    EXPECT_EQ(exit_code, STILL_ACTIVE);
    EXPECT_EQ(machine->wait_for_single_object(child.process, 1000), WAIT_TIMEOUT);
    EXPECT_EQ(machine->get_tick_count64(), started + 1000);
    EXPECT_EQ(machine->wait_for_single_object(child.process, 1000), WAIT_OBJECT_0);
    EXPECT_EQ(machine->get_tick_count64(), started + 1500);
    ASSERT_TRUE(machine->get_exit_code_process(child.process, exit_code));
    EXPECT_EQ(exit_code, 3u);
}

TEST(ChildProcessTest, ReadingAnEmptyPipeWaitsForTheExit) {
    auto machine = make_machine(programs(R"({"exits_after_ms": 700})"));
    const ChildProcess child = start(*machine);
    const std::uint64_t started = machine->get_tick_count64();
    std::vector<std::uint8_t> buffer(16);
    std::uint32_t read = 0;
    EXPECT_FALSE(machine->read_file(child.stdout_read, buffer, read));
    EXPECT_EQ(machine->get_last_error(), ERROR_BROKEN_PIPE);
    EXPECT_EQ(machine->get_tick_count64(), started + 700);
}

TEST(ChildProcessTest, ChildThatNeverExitsTimesOutAndIsTerminated) {
    auto machine = make_machine(programs(R"({"stdout": "0:C\r\n1:", "never_exits": true})"));
    const ChildProcess child = start(*machine);
    const std::uint64_t started = machine->get_tick_count64();

    std::vector<std::uint8_t> buffer(64);
    std::uint32_t read = 0;
    ASSERT_TRUE(machine->read_file(child.stdout_read, buffer, read));
    EXPECT_EQ(read, 7u);
    for (int i = 0; i < 60; ++i)
        EXPECT_EQ(machine->wait_for_single_object(child.process, 1000), WAIT_TIMEOUT);
    EXPECT_EQ(machine->get_tick_count64(), started + 60000);
    std::uint32_t available = 9;
    EXPECT_TRUE(machine->peek_named_pipe(child.stdout_read, available));
    EXPECT_EQ(available, 0u);

    // The simulation cannot block forever: such a read or wait fails.
    EXPECT_FALSE(machine->read_file(child.stdout_read, buffer, read));
    EXPECT_EQ(machine->get_last_error(), 232u);
    EXPECT_EQ(machine->wait_for_single_object(child.process, 0xFFFFFFFF), WAIT_FAILED);

    EXPECT_TRUE(machine->terminate_process(child.process, 1));
    std::uint32_t exit_code = 0;
    ASSERT_TRUE(machine->get_exit_code_process(child.process, exit_code));
    EXPECT_EQ(exit_code, 1u);
    EXPECT_EQ(machine->wait_for_single_object(child.process, 1000), WAIT_OBJECT_0);
    EXPECT_FALSE(machine->read_file(child.stdout_read, buffer, read));
    EXPECT_EQ(machine->get_last_error(), ERROR_BROKEN_PIPE);
    EXPECT_FALSE(machine->terminate_process(child.process, 1));
    EXPECT_EQ(machine->get_last_error(), ERROR_ACCESS_DENIED);
}

TEST(ChildProcessTest, ProgramsAreFoundByTheirFullPathInAnyCase) {
    auto machine = make_machine(programs(R"({"stdout": "x"})"));
    start(*machine, u"c:\\windows\\system32\\windowspowershell\\V1.0\\POWERSHELL.EXE");
    ChildProcess child;
    EXPECT_FALSE(machine->create_process_with_output_pipe(u"powershell", u"powershell", 0, child));
    EXPECT_EQ(machine->get_last_error(), ERROR_FILE_NOT_FOUND);
}

TEST(ChildProcessTest, DescribedStartFailure) {
    auto machine = make_machine(programs(R"({"start_error": 740})"));
    ChildProcess child;
    EXPECT_FALSE(machine->create_process_with_output_pipe(POWERSHELL, u"powershell", 0, child));
    EXPECT_EQ(machine->get_last_error(), 740u);
}

TEST(ChildProcessTest, SystemDirectoryFollowsTheBufferConvention) {
    auto machine = make_machine("{}");
    std::vector<char16_t> buffer(260, u'x');
    ASSERT_EQ(machine->get_system_directory(buffer), 19u);
    EXPECT_EQ(std::u16string(buffer.data()), u"C:\\Windows\\system32");
    std::vector<char16_t> small(19, u'x');
    EXPECT_EQ(machine->get_system_directory(small), 20u);
}

}  // namespace
