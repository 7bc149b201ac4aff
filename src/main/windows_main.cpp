// The Windows program: a windowless worker (GUI subsystem, wide-character
// entry) that runs the sensor once on the real platform.
#include <string>
#include <vector>

#include "main/entry.h"
#include "main/windows_arguments.h"
#include "platform/windows/windows_platform.h"

int wmain(int argc, wchar_t** argv) {
    quartzmon::platform::windows::WindowsPlatform platform;
    const std::vector<std::u16string> arguments = quartzmon::collect_arguments(argc, argv);
    return quartzmon::run_sensor(platform, arguments);
}
