// Which drive letters name volumes on which physical drive.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "platform/platform.h"

namespace quartzmon::sensors::disk::enumeration {

// Physical drive number to its letters (ASCII letters upper-cased); only drives
// with at least one letter have an entry.
using DriveLetterMap = std::map<std::uint32_t, std::vector<char32_t>>;

// Asks each volume A: to Z: for its disk; only when that maps no letter at
// all, asks PowerShell. Never fails: the map may be empty.
DriveLetterMap build_drive_letter_map(platform::Platform& platform);

// The volume pass alone: each local disk volume under the disk of its first
// extent, letters in alphabetical order.
DriveLetterMap map_volume_letters(platform::Platform& platform);

// True for letters that are not local disk volumes: no volume, network,
// optical and RAM drives, cloud and virtual-machine folders, substituted
// folders.
bool is_virtual_volume(platform::Platform& platform, char letter);

}  // namespace quartzmon::sensors::disk::enumeration
