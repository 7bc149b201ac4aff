#include "sensors/disk/collection.h"

#include <array>
#include <string>

#include "platform/bytes.h"
#include "platform/windows_layouts.h"
#include "sensors/disk/enumeration/physical_drives.h"
#include "sensors/disk/chain/provider_chain.h"
#include "sensors/disk/providers/provider_list.h"
#include "sensors/disk/report.h"
#include "sensors/disk/standby_check.h"
#include "sensors/disk/text.h"

namespace quartzmon::sensors::disk {

using namespace quartzmon::platform;

namespace {

DiskHealthRecord read_disk(Platform& platform, const provider::ProviderList& providers,
                           const enumeration::DiskIdentity& disk,
                           const CollectionOptions& options) {
    if (options.leave_sleeping_disks) {
        StandbyCheck check = check_standby(platform, disk);
        if (check.asleep)
            return provider::standby_record(platform, disk, std::move(check.attempts));
    }
    return provider::run_provider_chain(platform, providers, disk);
}

}  // namespace

bool is_process_elevated(Platform& platform) {
    Handle token = 0;
    if (!platform.open_process_token(platform.get_current_process(), TOKEN_QUERY, token)) {
        return false;
    }
    std::array<std::uint8_t, layout::TOKEN_ELEVATION::size> elevation{};
    std::uint32_t returned = 0;
    const bool answered =
        platform.get_token_information(token, TokenElevation, elevation, returned);
    platform.close_handle(token);
    return answered && get_u32(elevation, layout::TOKEN_ELEVATION::TokenIsElevated) != 0;
}

CollectionResult collect_disk_health(Platform& platform, const CollectionOptions& options) {
    CollectionResult result;
    result.is_elevated = is_process_elevated(platform);
    result.timestamp = clock_text(platform.get_local_time());
    result.logs.push_back("DiskSensor collection executed at " + result.timestamp +
                          " (Elevated: " + (result.is_elevated ? "true" : "false") + ")");
    const provider::ProviderList providers = providers::create_providers(platform);
    const std::vector<enumeration::DiskIdentity> disks =
        enumeration::enumerate_physical_disks(platform);
    result.logs.push_back("Enumerated " + std::to_string(disks.size()) + " physical disk(s)");

    // Each disk is finished, report and record, before the next one starts.
    for (const enumeration::DiskIdentity& disk : disks) {
        DiskHealthRecord record = read_disk(platform, providers, disk, options);
        result.logs.push_back(build_disk_report(record, disk, result.is_elevated));
        result.disks.push_back(std::move(record));
    }
    return result;
}

}  // namespace quartzmon::sensors::disk
