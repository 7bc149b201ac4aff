#include "main/entry.h"

#include "main/command_line.h"
#include "main/json_writer.h"
#include "main/result_file.h"

namespace quartzmon {

std::vector<std::uint8_t> collect_document(platform::Platform& platform,
                                           const sensors::disk::CollectionOptions& options) {
    // A windowless worker must never wait on a system dialog nobody sees, such
    // as "no disk in drive" for a card reader without media: the calls fail
    // instead, which every caller already handles.
    // The flags the widget handed down stay.
    platform.set_error_mode(platform.get_error_mode() | platform::SEM_FAILCRITICALERRORS |
                            platform::SEM_NOOPENFILEERRORBOX);
    return serialize_pretty(sensors::disk::collect_disk_health(platform, options));
}

int run_sensor(platform::Platform& platform, std::span<const std::u16string> arguments) {
    const CommandLine command_line(arguments, SENSOR_OPTIONS);
    const std::optional<std::u16string> requested_path = command_line.value(RESULT_PATH_OPTION);
    const std::vector<std::uint8_t> document =
        collect_document(platform, {command_line.has(NO_WAKE_OPTION)});
    // Without a temporary directory there is nowhere sensible to write: a bare
    // file name would land in whatever the current directory is.
    const std::optional<std::u16string> path =
        requested_path ? requested_path : default_result_path(platform);
    if (path) write_result_file(platform, *path, document);
    return 0;
}

}  // namespace quartzmon
