// A simulated machine described by a fuzzer's input: which disks exist and
// every reply their drivers and devices give (descriptor, temperature
// properties, SMART data and byte counts, SCSI status and sense, NVMe pages and
// refusals, bridge dialects, families and command blocks), the volumes, the
// registry and device tree that name USB bridges (mostly by IDs the sensor
// knows), the PowerShell child's output, what a captured run adds (recorded
// replies and the clock), and the disks' power states.
//
// The description is in the documented format (machines/README.md), so a
// corpus file can be turned into a machine file and replayed with
// disk_sensor_sim --machine.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quartzmon::fuzz {

// The description text; valid for the simulated machine whatever the input.
std::string machine_from_input(std::span<const std::uint8_t> data);

// Whether the run on that machine leaves sleeping disks asleep (--no-wake):
// bit 1 of the first byte, which the description does not use.
bool leaves_sleeping_disks(std::span<const std::uint8_t> data);

}  // namespace quartzmon::fuzz
