// The real layer's file and temporary-directory calls against Wine: the calls
// the result file is written with, and what they report there.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/utf.h"
#include "platform/windows/windows_platform.h"

namespace quartzmon::platform::windows {
namespace {

std::string narrow(std::u16string_view text) {
    return utf16_to_utf8(text);
}

class FilesTest : public testing::Test {
protected:
    std::u16string temp_directory() {
        std::vector<char16_t> buffer(261);
        const std::uint32_t length = platform.get_temp_path(buffer);
        return std::u16string(buffer.data(), length);
    }

    // A file of its own per test in the temporary directory, removed after.
    std::u16string scratch_path() {
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        return temp_directory() + utf8_to_utf16(std::string("platform_") + test->name() + ".txt");
    }

    void write_whole_file(const std::u16string& path, std::string_view text) {
        const Handle file =
            platform.create_file(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(is_valid_handle(file)) << platform.get_last_error();
        std::uint32_t written = 0;
        const std::vector<std::uint8_t> bytes(text.begin(), text.end());
        ASSERT_TRUE(platform.write_file(file, bytes, written));
        EXPECT_EQ(written, bytes.size());
        platform.close_handle(file);
    }

    std::string read_whole_file(const std::u16string& path) {
        const Handle file = platform.create_file(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL);
        if (!is_valid_handle(file)) return "<cannot open>";
        std::array<std::uint8_t, 256> buffer{};
        std::uint32_t read = 0;
        const bool succeeded = platform.read_file(file, buffer, read);
        platform.close_handle(file);
        if (!succeeded) return "<cannot read>";
        return std::string(buffer.begin(), buffer.begin() + read);
    }

    // The result file is opened this way: it may exist already.
    Handle open_always(const std::u16string& path) {
        return platform.create_file(path, GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    }

    // No delete call crosses the boundary; the standard library removes it.
    void SetUp() override { std::filesystem::remove(std::filesystem::path(scratch_path())); }
    void TearDown() override { SetUp(); }

    WindowsPlatform platform;
};

// Wine 8 does not export GetTempPath2W, so the sensor falls back to
// GetTempPathW; calling it anyway fails cleanly instead of through a null
// pointer.
TEST_F(FilesTest, GetTempPath2IsNotExportedUnderWine) {
    EXPECT_FALSE(platform.has_get_temp_path2());
    std::vector<char16_t> buffer(261);
    platform.set_last_error(ERROR_SUCCESS);
    EXPECT_EQ(platform.get_temp_path2(buffer), 0u);
    EXPECT_EQ(platform.get_last_error(), ERROR_PROC_NOT_FOUND);
}

TEST_F(FilesTest, TempPathIsTheUsersTempDirectoryWithATrailingBackslash) {
    std::vector<char16_t> buffer(261);
    const std::uint32_t length = platform.get_temp_path(buffer);
    const std::string path = narrow(std::u16string(buffer.data(), length));
    EXPECT_EQ(path.rfind("C:\\users\\", 0), 0u) << path;
    EXPECT_TRUE(path.ends_with("\\Temp\\")) << path;
    EXPECT_EQ(buffer[length], u'\0');
}

// Too small a buffer: the size needed, terminating zero included.
TEST_F(FilesTest, TempPathIntoATooSmallBufferGivesTheSizeNeeded) {
    const std::u16string full = temp_directory();
    std::vector<char16_t> small(4);
    EXPECT_EQ(platform.get_temp_path(small), full.size() + 1);
}

TEST_F(FilesTest, OpenAlwaysCreatesAMissingFileWithoutAlreadyExists) {
    platform.set_last_error(ERROR_IO_DEVICE);
    const Handle file = open_always(scratch_path());
    ASSERT_TRUE(is_valid_handle(file));
    EXPECT_EQ(platform.get_last_error(), ERROR_SUCCESS);
    platform.close_handle(file);
}

// What the result file meets when a longer document is already there: the
// open reports 183, the allocation size cannot be set (120) and the end of
// file can.
TEST_F(FilesTest, ExistingFileIsTruncatedThroughTheEndOfFileClass) {
    const std::u16string path = scratch_path();
    write_whole_file(path, "a much longer earlier document");

    const Handle file = open_always(path);
    ASSERT_TRUE(is_valid_handle(file));
    EXPECT_EQ(platform.get_last_error(), ERROR_ALREADY_EXISTS);

    const std::array<std::uint8_t, 8> zero{};
    EXPECT_FALSE(platform.set_file_information_by_handle(file, FileAllocationInfo, zero));
    EXPECT_EQ(platform.get_last_error(), ERROR_CALL_NOT_IMPLEMENTED);
    EXPECT_TRUE(platform.set_file_information_by_handle(file, FileEndOfFileInfo, zero));

    std::uint32_t written = 0;
    const std::array<std::uint8_t, 3> document{'{', '}', '\n'};
    EXPECT_TRUE(platform.write_file(file, document, written));
    EXPECT_EQ(written, 3u);
    EXPECT_TRUE(platform.close_handle(file));

    EXPECT_EQ(read_whole_file(path), "{}\n");
}

// The information bytes are handed over whatever their alignment: an end of
// file of 5 given at an odd address cuts the file to 5 bytes.
TEST_F(FilesTest, EndOfFileInformationAtAnOddAddressIsHonoured) {
    const std::u16string path = scratch_path();
    write_whole_file(path, "0123456789");

    std::array<std::uint8_t, 9> storage{};
    const std::span<std::uint8_t> odd = std::span(storage).subspan(1);
    put_u64(odd, 0, 5);

    const Handle file = open_always(path);
    ASSERT_TRUE(is_valid_handle(file));
    EXPECT_TRUE(platform.set_file_information_by_handle(file, FileEndOfFileInfo, odd));
    platform.close_handle(file);

    EXPECT_EQ(read_whole_file(path), "01234");
}

TEST_F(FilesTest, PathIntoAMissingDirectoryFailsWithPathNotFound) {
    const Handle file = open_always(temp_directory() + u"no such directory\\result.json");
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(platform.get_last_error(), ERROR_PATH_NOT_FOUND);
}

}  // namespace
}  // namespace quartzmon::platform::windows
