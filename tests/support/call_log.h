// Filters a simulated machine's call log by function name, so a test can state
// just the calls it is about, in order ("no DeviceIoControl after the failed
// open", "six pass-through calls").
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quartzmon::test_support {

// The function name of a call-log line: everything before the first '('.
inline std::string_view called_function(std::string_view line) {
    return line.substr(0, line.find('('));
}

// The lines of the log whose function is one of the given names, in log order.
inline std::vector<std::string> calls_to(const std::vector<std::string>& log,
                                         std::initializer_list<std::string_view> functions) {
    std::vector<std::string> lines;
    for (const std::string& line : log) {
        for (std::string_view function : functions) {
            if (called_function(line) == function) {
                lines.push_back(line);
                break;
            }
        }
    }
    return lines;
}

// Each SCSI pass-through request as "direct 85 -> status 2": its form, the
// operation code it carried and how it ended.
inline std::vector<std::string> pass_through_requests(const std::vector<std::string>& log) {
    std::vector<std::string> requests;
    for (const std::string& line : calls_to(log, {"DeviceIoControl"})) {
        const auto cdb = line.find("CDB ");
        if (cdb == std::string::npos) continue;
        const std::string form = line.find("_DIRECT,") != std::string::npos ? "direct" : "buffered";
        requests.push_back(form + " " + line.substr(cdb + 4, 2) + " -> " +
                           line.substr(line.rfind(", ") + 2));
    }
    return requests;
}

}  // namespace quartzmon::test_support
