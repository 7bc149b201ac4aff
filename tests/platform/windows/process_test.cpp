// The real layer's child processes, process token and clock against Wine.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/utf.h"
#include "platform/windows/windows_platform.h"

namespace quartzmon::platform::windows {
namespace {

struct Finished {
    std::string output;
    std::uint32_t exit_code = 0;
};

class ProcessTest : public testing::Test {
protected:
    std::u16string cmd_exe() {
        std::vector<char16_t> directory(261);
        const std::uint32_t length = platform.get_system_directory(directory);
        return std::u16string(directory.data(), length) + u"\\cmd.exe";
    }

    // Reads the child's standard output until the pipe ends, then takes its
    // exit code, the way the sensor drains a child.
    Finished finish(const ChildProcess& child) {
        Finished finished;
        std::array<std::uint8_t, 256> buffer{};
        for (;;) {
            std::uint32_t read = 0;
            if (!platform.read_file(child.stdout_read, buffer, read) || read == 0) break;
            finished.output.append(buffer.begin(), buffer.begin() + read);
        }
        EXPECT_EQ(platform.get_last_error(), ERROR_BROKEN_PIPE);
        EXPECT_EQ(platform.wait_for_single_object(child.process, 10000), WAIT_OBJECT_0);
        EXPECT_TRUE(platform.get_exit_code_process(child.process, finished.exit_code));
        EXPECT_TRUE(platform.close_handle(child.stdout_read));
        EXPECT_TRUE(platform.close_handle(child.process));
        return finished;
    }

    WindowsPlatform platform;
};

TEST_F(ProcessTest, ChildOutputAndExitCodeComeBack) {
    const struct {
        const char* command;
        const char* output;
        std::uint32_t exit_code;
    } cases[] = {
        {"cmd.exe /c echo hello", "hello\r\n", 0},
        {"cmd.exe /c exit 3", "", 3},
        // Standard error goes to the null device, not into the pipe.
        {"cmd.exe /c echo hidden 1>&2", "", 0},
        {"cmd.exe /c \"echo a&& echo b\"", "a\r\nb\r\n", 0},
    };
    for (const auto& c : cases) {
        ChildProcess child;
        ASSERT_TRUE(platform.create_process_with_output_pipe(cmd_exe(), utf8_to_utf16(c.command),
                                                             CREATE_NO_WINDOW, child))
            << c.command << ": " << platform.get_last_error();
        const Finished finished = finish(child);
        EXPECT_EQ(finished.output, c.output) << c.command;
        EXPECT_EQ(finished.exit_code, c.exit_code) << c.command;
    }
}

// Without an application name the program is found by the usual search.
TEST_F(ProcessTest, ProgramIsFoundByNameWithoutAnApplicationName) {
    ChildProcess child;
    ASSERT_TRUE(platform.create_process_with_output_pipe(u"", u"cmd /c echo found",
                                                         CREATE_NO_WINDOW, child));
    EXPECT_EQ(finish(child).output, "found\r\n");
}

TEST_F(ProcessTest, OutputIsAvailableToPeekBeforeItIsRead) {
    ChildProcess child;
    ASSERT_TRUE(platform.create_process_with_output_pipe(cmd_exe(), u"cmd.exe /c echo peek",
                                                         CREATE_NO_WINDOW, child));
    ASSERT_EQ(platform.wait_for_single_object(child.process, 10000), WAIT_OBJECT_0);
    std::uint32_t available = 0;
    EXPECT_TRUE(platform.peek_named_pipe(child.stdout_read, available));
    EXPECT_EQ(available, 6u);
    EXPECT_EQ(finish(child).output, "peek\r\n");
}

TEST_F(ProcessTest, MissingProgramFailsWithFileNotFoundAndLeavesNothingOpen) {
    ChildProcess child;
    EXPECT_FALSE(platform.create_process_with_output_pipe(u"", u"no_such_program_here.exe",
                                                          CREATE_NO_WINDOW, child));
    EXPECT_EQ(platform.get_last_error(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(child.process, 0u);
    EXPECT_EQ(child.stdout_read, 0u);
}

TEST_F(ProcessTest, RunningChildCanBeWaitedForAndTerminated) {
    ChildProcess child;
    ASSERT_TRUE(platform.create_process_with_output_pipe(
        cmd_exe(), u"cmd.exe /c ping -n 30 127.0.0.1", CREATE_NO_WINDOW, child));
    EXPECT_EQ(platform.wait_for_single_object(child.process, 0), WAIT_TIMEOUT);
    std::uint32_t exit_code = 0;
    EXPECT_TRUE(platform.get_exit_code_process(child.process, exit_code));
    EXPECT_EQ(exit_code, STILL_ACTIVE);

    EXPECT_TRUE(platform.terminate_process(child.process, 7));
    EXPECT_EQ(platform.wait_for_single_object(child.process, 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(platform.get_exit_code_process(child.process, exit_code));
    EXPECT_EQ(exit_code, 7u);
    platform.close_handle(child.stdout_read);
    platform.close_handle(child.process);
}

TEST_F(ProcessTest, TokenOfTheProcessIsElevated) {
    Handle token = 0;
    ASSERT_TRUE(platform.open_process_token(platform.get_current_process(), TOKEN_QUERY, token));
    std::array<std::uint8_t, 4> elevation{};
    std::uint32_t returned = 0;
    EXPECT_TRUE(platform.get_token_information(token, TokenElevation, elevation, returned));
    EXPECT_EQ(returned, 4u);
    EXPECT_EQ(get_u32(elevation, 0), 1u);
    EXPECT_TRUE(platform.close_handle(token));
}

// The information is handed back whatever the alignment of the caller's bytes.
TEST_F(ProcessTest, TokenInformationAtAnOddAddressComesBack) {
    Handle token = 0;
    ASSERT_TRUE(platform.open_process_token(platform.get_current_process(), TOKEN_QUERY, token));
    std::array<std::uint8_t, 5> storage{};
    const std::span<std::uint8_t> odd = std::span(storage).subspan(1);
    std::uint32_t returned = 0;
    EXPECT_TRUE(platform.get_token_information(token, TokenElevation, odd, returned));
    EXPECT_EQ(get_u32(odd, 0), 1u);

    const std::span<std::uint8_t> short_buffer = odd.first(2);
    EXPECT_FALSE(platform.get_token_information(token, TokenElevation, short_buffer, returned));
    EXPECT_EQ(platform.get_last_error(), ERROR_INSUFFICIENT_BUFFER);
    platform.close_handle(token);
}

TEST_F(ProcessTest, ErrorModeReturnsThePreviousMode) {
    const std::uint32_t original = platform.set_error_mode(SEM_FAILCRITICALERRORS);
    EXPECT_EQ(platform.set_error_mode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX),
              SEM_FAILCRITICALERRORS);
    EXPECT_EQ(platform.get_error_mode(), SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    platform.set_error_mode(original);
}

TEST_F(ProcessTest, LocalTimeIsAPlausibleDate) {
    const SystemTime now = platform.get_local_time();
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_LE(now.hour, 23);
    EXPECT_LE(now.minute, 59);
    EXPECT_LE(now.day_of_week, 6);
}

}  // namespace
}  // namespace quartzmon::platform::windows
