// The whole program on described machines without disks: where the document
// goes, how an existing file is replaced, and what is left when Windows
// refuses a step.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "main/entry.h"
#include "platform/simulated/simulated_machine.h"
#include "platform/utf.h"
#include "support/call_log.h"
#include "support/scratch_directory.h"

namespace quartzmon {
namespace {

using platform::simulated::SimulatedMachine;
using test_support::calls_to;
using test_support::read_file;
using test_support::ScratchDirectory;
using test_support::write_file;

const std::string EMPTY_MACHINE_DOCUMENT =
    "{\n"
    "  \"timestamp\": \"09:05:03\",\n"
    "  \"is_elevated\": true,\n"
    "  \"disks\": [],\n"
    "  \"logs\": [\n"
    "    \"DiskSensor collection executed at 09:05:03 (Elevated: true)\",\n"
    "    \"Enumerated 0 physical disk(s)\"\n"
    "  ]\n"
    "}";

// A machine without disks whose temp directory is `temp_dir`; `files` and
// `temp` add keys to those sections of the description.
std::unique_ptr<SimulatedMachine> machine(const ScratchDirectory& temp_dir,
                                          nlohmann::json files = nlohmann::json::object(),
                                          nlohmann::json temp = nlohmann::json::object()) {
    temp["directory"] = temp_dir.with_separator();
    const nlohmann::json description = {
        {"clock", {{"local_time", "2024-05-14T09:05:03.000"}}},
        {"temp", temp},
        {"files", files},
    };
    auto built = SimulatedMachine::from_json(description.dump(), "entry test");
    EXPECT_TRUE(built.has_value()) << built.error();
    return std::move(*built);
}

int run(SimulatedMachine& m, const std::vector<std::string>& arguments) {
    std::vector<std::u16string> wide{u"disk_sensor.exe"};
    for (const std::string& argument : arguments) wide.push_back(platform::utf8_to_utf16(argument));
    return run_sensor(m, wide);
}

std::string file_in(const ScratchDirectory& dir, const std::string& name) {
    return (dir.path() / name).string();
}

TEST(Entry, NoArgumentsWritesTheDocumentToTheTempDirectory) {
    ScratchDirectory dir;
    auto m = machine(dir);
    EXPECT_EQ(run(*m, {}), 0);
    const std::string document = read_file(file_in(dir, "kiv_disk_health.json"));
    EXPECT_EQ(document, EMPTY_MACHINE_DOCUMENT);
    EXPECT_TRUE(nlohmann::json::accept(document));
    EXPECT_TRUE(calls_to(m->call_log(), {"GetTempPathW"}).empty());
}

TEST(Entry, WithoutGetTempPath2TheOlderCallGivesTheDirectory) {
    ScratchDirectory dir;
    auto m = machine(dir, nlohmann::json::object(), {{"has_get_temp_path2", false}});
    run(*m, {});
    EXPECT_EQ(read_file(file_in(dir, "kiv_disk_health.json")), EMPTY_MACHINE_DOCUMENT);
    EXPECT_TRUE(calls_to(m->call_log(), {"GetTempPath2W"}).empty());
    EXPECT_EQ(calls_to(m->call_log(), {"GetTempPathW"}).size(), 1u);
}

// The widget may start the worker with error-mode flags of its own; they stay.
TEST(Entry, TheInheritedErrorModeIsKept) {
    auto m = SimulatedMachine::from_json(R"({ "inherited_error_mode": 4 })", "entry test");
    ASSERT_TRUE(m) << m.error();
    ScratchDirectory dir;
    run(**m, {"--ipc", file_in(dir, "a.json")});
    EXPECT_EQ(calls_to((*m)->call_log(), {"SetErrorMode"}),
              std::vector<std::string>{"SetErrorMode(0x8005) -> 0x4"});
}

// With no temporary directory the document is not written anywhere, rather
// than into whatever the current directory is.
TEST(Entry, WithoutATempDirectoryNoFileIsWritten) {
    for (const bool has_get_temp_path2 : {true, false}) {
        ScratchDirectory dir;
        auto m = machine(dir, nlohmann::json::object(),
                         {{"has_get_temp_path2", has_get_temp_path2}, {"error", 5}});
        EXPECT_EQ(run(*m, {}), 0);
        EXPECT_TRUE(calls_to(m->call_log(), {"WriteFile"}).empty());
        for (const std::string& open : calls_to(m->call_log(), {"CreateFileW"}))
            EXPECT_TRUE(open.starts_with(R"(CreateFileW("\\.\)")) << "only devices: " << open;
        EXPECT_EQ(calls_to(m->call_log(), {"GetTempPath2W", "GetTempPathW"}),
                  std::vector<std::string>{has_get_temp_path2 ? "GetTempPath2W(261) -> 0, error 5"
                                                              : "GetTempPathW(261) -> 0, error 5"});
    }
}

TEST(Entry, TheErrorModeIsSetBeforeAnythingElseAndTheFileIsTouchedLast) {
    ScratchDirectory dir;
    auto m = machine(dir);
    run(*m, {"--ipc", file_in(dir, "a.json")});
    const std::vector<std::string>& log = m->call_log();
    ASSERT_FALSE(log.empty());
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], "GetErrorMode() -> 0x0");
    EXPECT_EQ(log[1], "SetErrorMode(0x8001) -> 0x0");
    // The collection runs before the result file is opened.
    const auto creates = calls_to(log, {"CreateFileW"});
    ASSERT_FALSE(creates.empty());
    EXPECT_TRUE(creates.back().starts_with("CreateFileW(\"" + file_in(dir, "a.json") +
                                           "\", 0x40000000, 0x7, 4, 0x80) -> handle"))
        << creates.back();
    EXPECT_EQ(calls_to(log, {"GetLocalTime"}).size(), 1u);
}

TEST(Entry, ResultPathSelection) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;  // "@x" stands for file x of the temp directory
        const char* receiver;                // the one file that receives the document
    };
    const std::vector<Case> cases = {
        {"one pair", {"--ipc", "@a.json"}, "a.json"},
        {"the second pair wins", {"--ipc", "@a.json", "--ipc", "@b.json"}, "b.json"},
        {"a trailing option is ignored", {"--ipc", "@a.json", "--ipc"}, "a.json"},
        {"a lone trailing option uses the default", {"--ipc"}, "kiv_disk_health.json"},
        {"capitals are not the option", {"--IPC", "@a.json"}, "kiv_disk_health.json"},
        {"an equals sign is not the option", {"--ipc=@a.json"}, "kiv_disk_health.json"},
        {"other arguments are ignored", {"-v", "--ipc", "@a.json", "x"}, "a.json"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDirectory dir;
        auto m = machine(dir);
        std::vector<std::string> arguments;
        for (const std::string& a : c.arguments)
            arguments.push_back(a.starts_with("@") ? file_in(dir, a.substr(1)) : a);
        EXPECT_EQ(run(*m, arguments), 0);

        for (const char* name : {"a.json", "b.json", "kiv_disk_health.json"})
            EXPECT_EQ(std::filesystem::exists(file_in(dir, name)), std::string(name) == c.receiver)
                << name;
        EXPECT_EQ(read_file(file_in(dir, c.receiver)), EMPTY_MACHINE_DOCUMENT);
    }
}

TEST(Entry, ReplacingAnExistingFile) {
    const std::string old_document(4096, 'x');
    struct Case {
        const char* name;
        nlohmann::json files;
        std::string expected;                    // the file afterwards
        std::vector<std::string> truncations;    // the SetFileInformationByHandle results
    };
    const std::vector<Case> cases = {
        {"the allocation size truncates", nlohmann::json::object(), EMPTY_MACHINE_DOCUMENT,
         {"FileAllocationInfo, 8) -> TRUE"}},
        {"a refused allocation size falls back to the end of file",
         {{"allocation_error", 120}},
         EMPTY_MACHINE_DOCUMENT,
         {"FileAllocationInfo, 8) -> FALSE, error 120", "FileEndOfFileInfo, 8) -> TRUE"}},
        // Writing the shorter document over an untruncated file would leave
        // the old tail after the final brace: the old file stays whole instead.
        {"both refused leaves the old file whole",
         {{"allocation_error", 120}, {"end_of_file_error", 5}},
         old_document,
         {"FileAllocationInfo, 8) -> FALSE, error 120", "FileEndOfFileInfo, 8) -> FALSE, error 5"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDirectory dir;
        write_file(file_in(dir, "a.json"), old_document);
        auto m = machine(dir, c.files);
        EXPECT_EQ(run(*m, {"--ipc", file_in(dir, "a.json")}), 0);
        EXPECT_EQ(read_file(file_in(dir, "a.json")), c.expected);

        const auto truncations = calls_to(m->call_log(), {"SetFileInformationByHandle"});
        ASSERT_EQ(truncations.size(), c.truncations.size());
        for (std::size_t i = 0; i < truncations.size(); ++i)
            EXPECT_TRUE(truncations[i].ends_with(c.truncations[i])) << truncations[i];
        EXPECT_EQ(calls_to(m->call_log(), {"WriteFile"}).empty(), c.expected == old_document);
    }
}

TEST(Entry, ANewFileIsNotTruncated) {
    ScratchDirectory dir;
    auto m = machine(dir);
    run(*m, {"--ipc", file_in(dir, "a.json")});
    EXPECT_TRUE(calls_to(m->call_log(), {"SetFileInformationByHandle"}).empty());
}

TEST(Entry, AMissingDirectoryLeavesNoFileAndExitsWithZero) {
    ScratchDirectory dir;
    auto m = machine(dir);
    const std::string target = (dir.path() / "missing" / "a.json").string();
    EXPECT_EQ(run(*m, {"--ipc", target}), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
    EXPECT_TRUE(calls_to(m->call_log(), {"WriteFile"}).empty());
}

TEST(Entry, WritesAreRepeatedUntilTheWholeDocumentIsWritten) {
    ScratchDirectory dir;
    auto m = machine(dir, {{"max_bytes_per_write", 7}});
    run(*m, {"--ipc", file_in(dir, "a.json")});
    EXPECT_EQ(read_file(file_in(dir, "a.json")), EMPTY_MACHINE_DOCUMENT);
    EXPECT_EQ(calls_to(m->call_log(), {"WriteFile"}).size(),
              (EMPTY_MACHINE_DOCUMENT.size() + 6) / 7);
}

TEST(Entry, AFailingWriteEndsWritingAndStillExitsWithZero) {
    ScratchDirectory dir;
    auto m = machine(dir, {{"write_error", 112}});
    EXPECT_EQ(run(*m, {"--ipc", file_in(dir, "a.json")}), 0);
    EXPECT_EQ(calls_to(m->call_log(), {"WriteFile"}).size(), 1u);
    EXPECT_TRUE(m->call_log().back().starts_with("CloseHandle(")) << m->call_log().back();
}

}  // namespace
}  // namespace quartzmon
