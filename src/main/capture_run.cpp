#include "main/capture_run.h"

#include <algorithm>
#include <vector>

#include "capture/anonymizer.h"
#include "capture/machine_from_recording.h"
#include "main/command_line.h"
#include "main/entry.h"
#include "main/result_file.h"
#include "platform/recording/recording_platform.h"

namespace quartzmon {
namespace {

constexpr std::u16string_view OUT_OPTION = u"--out";
constexpr std::u16string_view ANONYMIZE_OPTION = u"--anonymize";

// Two-space indent and a final line break; a text that is not valid UTF-8
// is written with replacement characters rather than failing the capture.
std::vector<std::uint8_t> description_bytes(const nlohmann::json& description) {
    const std::string text =
        description.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    return {text.begin(), text.end()};
}

}  // namespace

int run_capture(platform::Platform& platform, std::span<const std::u16string> arguments) {
    platform::recording::RecordingPlatform recorder(platform);
    const std::vector<std::uint8_t> document =
        collect_document(recorder, {leaves_sleeping_disks(arguments)});

    nlohmann::json description = capture::build_machine_description(recorder.calls());
    if (has_flag(arguments, ANONYMIZE_OPTION))
        description = capture::anonymize_description(description);

    if (const auto out = find_option_value(arguments, OUT_OPTION))
        write_result_file(platform, *out, description_bytes(description));
    if (const auto document_path = find_result_path(arguments))
        write_result_file(platform, *document_path, document);
    return 0;
}

}  // namespace quartzmon
