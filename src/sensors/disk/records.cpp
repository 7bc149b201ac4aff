#include "sensors/disk/records.h"

namespace quartzmon::sensors::disk {

std::string_view json_text(HealthStatus status) {
    switch (status) {
        case HealthStatus::Healthy:
            return "Healthy";
        case HealthStatus::Caution:
            return "Caution";
        case HealthStatus::Critical:
            return "Critical";
        case HealthStatus::Unavailable:
            return "Unavailable";
    }
    return "Unavailable";
}

std::string_view display_name(HealthStatus status) {
    switch (status) {
        case HealthStatus::Healthy:
            return "正常";
        case HealthStatus::Caution:
            return "注意";
        case HealthStatus::Critical:
            return "異常";
        case HealthStatus::Unavailable:
            return "N/A";
    }
    return "N/A";
}

}  // namespace quartzmon::sensors::disk
