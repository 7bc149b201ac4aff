// Serial numbers and volume labels taken out of a machine description built
// from a recording, for people who share the file.
//
// The serial numbers are those the disks' descriptors report (the
// StorageDeviceProperty replies under "replay") and those in USB device and
// USB storage instance IDs (registry values and device tree IDs: the last part
// of USB\VID_x&PID_y\SERIAL and of USBSTOR\...\SERIAL&0). Each becomes
// "SERIAL" and a number, as long as the original so descriptor offsets stay
// right, wherever it appears: descriptor bytes, registry keys and values,
// device tree IDs, compared without regard to ASCII case. Serial numbers of
// fewer than 4 characters identify nothing and are left. Each volume label
// becomes "VOLUME_" and its letter.
#pragma once

#include <nlohmann/json.hpp>

namespace quartzmon::capture {

nlohmann::json anonymize_description(const nlohmann::json& description);

}  // namespace quartzmon::capture
