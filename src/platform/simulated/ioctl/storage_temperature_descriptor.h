// StorageDeviceTemperatureProperty and StorageAdapterTemperatureProperty: the
// STORAGE_TEMPERATURE_DATA_DESCRIPTOR a driver answers, built from described
// fields.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/simulated/description_reader.h"

namespace quartzmon::platform::simulated {

// Fields: "sensors" (array of { "temperature" (required), "index" (default:
// position), "over_threshold", "under_threshold", "over_threshold_changable",
// "under_threshold_changable", "event_generated" }), "critical_temperature",
// "warning_temperature", and overrides of the header: "version", "size",
// "info_count" (defaults: sizeof the structure, the reply size, the number of
// sensors).
std::vector<std::uint8_t> build_storage_temperature_descriptor(JsonObject& fields);

}  // namespace quartzmon::platform::simulated
