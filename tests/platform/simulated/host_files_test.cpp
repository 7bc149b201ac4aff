#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "main/result_file.h"
#include "platform/utf.h"
#include "support/machine.h"

namespace {

using namespace quartzmon::platform;
using quartzmon::test_support::make_machine;
namespace fs = std::filesystem;

class HostFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        directory_ = fs::temp_directory_path() /
                     ("simulated_files_" +
                      std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(directory_);
        fs::create_directories(directory_);
    }
    void TearDown() override { fs::remove_all(directory_); }

    std::u16string path(const std::string& name) const {
        const std::u8string text = (directory_ / name).u8string();
        return utf8_to_utf16(std::string(text.begin(), text.end()));
    }

    std::string contents(const std::string& name) const {
        std::ifstream file(directory_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    void write(const std::string& name, const std::string& text) const {
        std::ofstream(directory_ / name, std::ios::binary) << text;
    }

    fs::path directory_;
};

std::vector<std::uint8_t> bytes_of(const std::string& text) {
    return {text.begin(), text.end()};
}

constexpr std::uint32_t SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

TEST_F(HostFilesTest, OpenAlwaysReportsWhetherTheFileExisted) {
    auto machine = make_machine("{}");
    const Handle created =
        machine->create_file(path("new.json"), GENERIC_WRITE, SHARE_ALL, OPEN_ALWAYS, 0x80);
    ASSERT_TRUE(is_valid_handle(created));
    EXPECT_EQ(machine->get_last_error(), 0u);
    EXPECT_TRUE(fs::exists(directory_ / "new.json"));

    const Handle existing =
        machine->create_file(path("new.json"), GENERIC_WRITE, SHARE_ALL, OPEN_ALWAYS, 0x80);
    ASSERT_TRUE(is_valid_handle(existing));
    EXPECT_EQ(machine->get_last_error(), ERROR_ALREADY_EXISTS);
}

TEST_F(HostFilesTest, OpenFailures) {
    auto machine = make_machine("{}");
    EXPECT_EQ(
        machine->create_file(path("missing/x.json"), GENERIC_WRITE, SHARE_ALL, OPEN_ALWAYS, 0x80),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(machine->get_last_error(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(fs::exists(directory_ / "missing"));
    EXPECT_EQ(
        machine->create_file(path("absent.json"), GENERIC_READ, SHARE_ALL, OPEN_EXISTING, 0x80),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(machine->get_last_error(), ERROR_FILE_NOT_FOUND);
}

TEST_F(HostFilesTest, CreateAlwaysEmptiesAnExistingFile) {
    write("old.json", "old contents");
    auto machine = make_machine("{}");
    ASSERT_TRUE(is_valid_handle(
        machine->create_file(path("old.json"), GENERIC_WRITE, SHARE_ALL, CREATE_ALWAYS, 0x80)));
    EXPECT_EQ(machine->get_last_error(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(contents("old.json"), "");
}

TEST_F(HostFilesTest, WritesGoToTheFileAndSizesChangeIt) {
    write("f.json", "0123456789");
    auto machine = make_machine("{}");
    const Handle file =
        machine->create_file(path("f.json"), GENERIC_WRITE, SHARE_ALL, OPEN_ALWAYS, 0x80);
    std::uint32_t written = 0;
    ASSERT_TRUE(machine->write_file(file, bytes_of("ab"), written));
    ASSERT_TRUE(machine->write_file(file, bytes_of("cd"), written));
    EXPECT_EQ(written, 2u);
    EXPECT_EQ(contents("f.json"), "abcd456789");

    std::vector<std::uint8_t> size(8, 0);
    size[0] = 6;
    ASSERT_TRUE(machine->set_file_information_by_handle(file, FileAllocationInfo, size));
    EXPECT_EQ(contents("f.json"), "abcd45");
    size[0] = 12;
    ASSERT_TRUE(machine->set_file_information_by_handle(file, FileAllocationInfo, size));
    EXPECT_EQ(contents("f.json"), "abcd45");  // a larger allocation keeps the end of file
    ASSERT_TRUE(machine->set_file_information_by_handle(file, FileEndOfFileInfo, size));
    EXPECT_EQ(contents("f.json"), std::string("abcd45\0\0\0\0\0\0", 12));
    size[0] = 0;
    ASSERT_TRUE(machine->set_file_information_by_handle(file, FileEndOfFileInfo, size));
    EXPECT_EQ(contents("f.json"), "");
    EXPECT_FALSE(machine->set_file_information_by_handle(file, FileEndOfFileInfo,
                                                         std::vector<std::uint8_t>(4)));
    EXPECT_EQ(machine->get_last_error(), 24u);
}

struct ResultFileCase {
    const char* name;
    const char* files;
    std::string expected;
};

class ResultFileTest : public HostFilesTest,
                       public ::testing::WithParamInterface<ResultFileCase> {};

// The sensor's own result-file writer against the described file system: an
// existing longer document must never keep a stale tail.
TEST_P(ResultFileTest, ExistingDocumentIsReplacedOrLeftWhole) {
    write("result.json", "{\"old\": \"a much longer previous document\"}");
    auto machine = make_machine(std::string(R"({"files": )") + GetParam().files + "}");
    quartzmon::write_result_file(*machine, path("result.json"), bytes_of("{\"new\": 1}"));
    EXPECT_EQ(contents("result.json"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    FileSystems, ResultFileTest,
    ::testing::Values(ResultFileCase{"AllocationTruncates", "{}", "{\"new\": 1}"},
                      ResultFileCase{"EndOfFileFallbackAsUnderWine", R"({"allocation_error": 120})",
                                     "{\"new\": 1}"},
                      ResultFileCase{"BothRefusedLeavesTheOldDocument",
                                     R"({"allocation_error": 120, "end_of_file_error": 5})",
                                     "{\"old\": \"a much longer previous document\"}"},
                      ResultFileCase{"WritesFail", R"({"write_error": 112})", ""},
                      ResultFileCase{"WritesStall", R"({"max_bytes_per_write": 0})", ""},
                      ResultFileCase{"ShortWritesAreContinued", R"({"max_bytes_per_write": 3})",
                                     "{\"new\": 1}"}),
    [](const auto& test) { return test.param.name; });

TEST_F(HostFilesTest, TempPathsFollowTheBufferConvention) {
    const std::u16string directory = path("");
    const std::string directory_utf8 = utf16_to_utf8(directory);
    std::string escaped;
    for (char c : directory_utf8) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    auto machine = make_machine(R"({"temp": {"directory": ")" + escaped +
                                R"(", "has_get_temp_path2": false}})");

    EXPECT_FALSE(machine->has_get_temp_path2());
    std::vector<char16_t> buffer(261, u'x');
    const std::uint32_t length = machine->get_temp_path(buffer);
    EXPECT_EQ(std::u16string(buffer.data()), directory);
    EXPECT_EQ(length, directory.size());
    std::vector<char16_t> small(directory.size(), u'x');
    EXPECT_EQ(machine->get_temp_path(small), directory.size() + 1);
}

TEST_F(HostFilesTest, DefaultTempDirectoryEndsInASeparator) {
    auto machine = make_machine("{}");
    EXPECT_TRUE(machine->has_get_temp_path2());
    std::vector<char16_t> buffer(1024, u'x');
    const std::uint32_t length = machine->get_temp_path2(buffer);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(buffer[length - 1], static_cast<char16_t>(fs::path::preferred_separator));
}

}  // namespace
