// One collection run: elevation, run time, every physical disk through the
// provider chain, one diagnostic report per disk.
#pragma once

#include "sensors/disk/records.h"
#include "platform/platform.h"

namespace quartzmon::sensors::disk {

bool is_process_elevated(platform::Platform& platform);

struct CollectionOptions {
    // Ask each disk that can spin down whether it sleeps, and leave a
    // sleeping one alone instead of reading it.
    bool leave_sleeping_disks = false;
};

// Never fails: every problem below it ends up as text in the result.
CollectionResult collect_disk_health(platform::Platform& platform,
                                     const CollectionOptions& options = {});

}  // namespace quartzmon::sensors::disk
