// The providers of one run, in the fixed order in which the chain asks them.
#pragma once

#include "platform/platform.h"
#include "sensors/disk/chain/disk_provider.h"

namespace quartzmon::sensors::disk::providers {

provider::ProviderList create_providers(platform::Platform& platform);

}  // namespace quartzmon::sensors::disk::providers
