// The drive-letter lines PowerShell prints: the input is its output.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "invariant.h"
#include "sensors/disk/enumeration/powershell_drive_letters.h"

using quartzmon::fuzz::require;
using quartzmon::sensors::disk::enumeration::parse_drive_letter_lines;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view output(reinterpret_cast<const char*>(data), size);
    const std::size_t lines =
        static_cast<std::size_t>(std::count(output.begin(), output.end(), '\n')) + 1;

    std::size_t letters = 0;
    for (const auto& [disk, disk_letters] : parse_drive_letter_lines(output)) {
        require(!disk_letters.empty(), "a disk in the map has a letter");
        for (const char32_t letter : disk_letters) {
            require(letter <= 0x10FFFF && (letter < 0xD800 || letter > 0xDFFF),
                    "each letter is a Unicode scalar value");
            require(letter < U'a' || letter > U'z', "ASCII letters are upper-cased");
        }
        letters += disk_letters.size();
    }
    require(letters <= lines, "at most one letter per line");
    return 0;
}
