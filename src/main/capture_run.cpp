#include "main/capture_run.h"

#include <vector>

#include "capture/anonymizer.h"
#include "capture/machine_from_recording.h"
#include "main/command_line.h"
#include "main/entry.h"
#include "main/result_file.h"
#include "platform/recording/recording_platform.h"

namespace quartzmon {
namespace {

constexpr CommandLineOption DESCRIPTION_PATH_OPTION{u"--out", true};
constexpr CommandLineOption ANONYMIZE_OPTION{u"--anonymize", false};
// The sensor's own options go on to its run.
constexpr CommandLineOption CAPTURE_OPTIONS[] = {DESCRIPTION_PATH_OPTION, ANONYMIZE_OPTION,
                                                 RESULT_PATH_OPTION, NO_WAKE_OPTION};

// Two-space indent and a final line break; a text that is not valid UTF-8
// is written with replacement characters rather than failing the capture.
std::vector<std::uint8_t> description_bytes(const nlohmann::json& description) {
    const std::string text =
        description.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    return {text.begin(), text.end()};
}

}  // namespace

int run_capture(platform::Platform& platform, std::span<const std::u16string> arguments) {
    const CommandLine command_line(arguments, CAPTURE_OPTIONS);
    platform::recording::RecordingPlatform recorder(platform);
    const std::vector<std::uint8_t> document =
        collect_document(recorder, {command_line.has(NO_WAKE_OPTION)});

    nlohmann::json description = capture::build_machine_description(recorder.calls());
    if (command_line.has(ANONYMIZE_OPTION))
        description = capture::anonymize_description(description);

    if (const auto out = command_line.value(DESCRIPTION_PATH_OPTION))
        write_result_file(platform, *out, description_bytes(description));
    if (const auto document_path = command_line.value(RESULT_PATH_OPTION))
        write_result_file(platform, *document_path, document);
    return 0;
}

}  // namespace quartzmon
