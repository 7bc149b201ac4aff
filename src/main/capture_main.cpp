// disk_sensor_capture.exe: the sensor's collection on the real platform,
// recorded, and written as a machine description that disk_sensor_sim
// replays. Windowless like the sensor (GUI subsystem, wide-character entry).
#include <string>
#include <vector>

#include "main/capture_run.h"
#include "main/windows_arguments.h"
#include "platform/windows/windows_platform.h"

int wmain(int argc, wchar_t** argv) {
    quartzmon::platform::windows::WindowsPlatform platform;
    const std::vector<std::u16string> arguments = quartzmon::collect_arguments(argc, argv);
    return quartzmon::run_capture(platform, arguments);
}
