// Drive letters from Windows PowerShell's logical-disk-to-partition
// associations, for when the volumes themselves do not tell their disks.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "sensors/disk/enumeration/drive_letters.h"

namespace quartzmon::sensors::disk::enumeration {

// Prints one "disk:LETTER" line per partition that carries a drive letter.
inline constexpr std::string_view DRIVE_LETTER_SCRIPT =
    "\n"
    "$parts = Get-CimInstance Win32_LogicalDiskToPartition -ErrorAction SilentlyContinue\n"
    "foreach ($p in $parts) {\n"
    "    $dep = [string]$p.Dependent.DeviceID\n"
    "    $ant = [string]$p.Antecedent.DeviceID\n"
    "    if ($dep -match '^([A-Za-z]):?$') {\n"
    "        $let = $matches[1].ToUpper()\n"
    "        if ($ant -match 'Disk #(\\d+)') {\n"
    "            Write-Output \"$($matches[1]):$let\"\n"
    "        }\n"
    "    }\n"
    "}\n";

// Runs the query once and reads its output; an empty map when PowerShell
// cannot be started, fails, or does not finish within a minute.
DriveLetterMap map_drive_letters_with_powershell(platform::Platform& platform);

// One argument as the Windows command-line parser will give it back.
std::u16string quote_argument(std::u16string_view argument);

// Output lines "disk:letter"; lines of any other form are skipped.
DriveLetterMap parse_drive_letter_lines(std::string_view output);

}  // namespace quartzmon::sensors::disk::enumeration
