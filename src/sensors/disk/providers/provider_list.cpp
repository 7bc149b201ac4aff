#include "sensors/disk/providers/provider_list.h"

#include <memory>

#include "sensors/disk/providers/ata_smart.h"
#include "sensors/disk/providers/nvme_multi.h"
#include "sensors/disk/providers/usb_nvme.h"
#include "sensors/disk/providers/usb_sat_bridge.h"
#include "sensors/disk/providers/windows_storage.h"

namespace quartzmon::sensors::disk::providers {

provider::ProviderList create_providers(platform::Platform& platform) {
    provider::ProviderList providers;
    providers.push_back(std::make_unique<WindowsStorageTempProvider>(platform));
    providers.push_back(std::make_unique<NvmeMultiProvider>(platform));
    providers.push_back(std::make_unique<AtaSmartProvider>(platform));
    providers.push_back(std::make_unique<UsbSatBridgeProvider>(platform));
    providers.push_back(std::make_unique<UsbNvmeBridgeProvider>(platform));
    return providers;
}

}  // namespace quartzmon::sensors::disk::providers
