#include "sensors/disk/providers/provider_list.h"

#include <memory>

#include "sensors/disk/providers/windows_storage.h"

namespace quartzmon::sensors::disk::providers {

provider::ProviderList create_providers(platform::Platform& platform) {
    provider::ProviderList providers;
    providers.push_back(std::make_unique<WindowsStorageTempProvider>(platform));
    return providers;
}

}  // namespace quartzmon::sensors::disk::providers
