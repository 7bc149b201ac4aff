// Compile-time proof that the simulated machine answers with the codes Windows
// uses: the Win32 errors, CONFIGRET values and access rights only the
// simulator refers to, against the SDK (here the mingw-w64 headers), which
// only the Windows test build sees. CLASS_DRIVER_TIMEOUT_MS is the disk class
// driver's default, not an SDK constant, so it is not here. Nothing here runs.
#include <cstdint>

#include "platform/simulated/win32_codes.h"

// Taken before <windows.h> turns their names into macros.
namespace simulated {
namespace s = quartzmon::platform::simulated;
constexpr std::uint32_t error_bad_length = s::ERROR_BAD_LENGTH;
constexpr std::uint32_t error_invalid_name = s::ERROR_INVALID_NAME;
constexpr std::uint32_t error_sem_timeout = s::ERROR_SEM_TIMEOUT;
constexpr std::uint32_t error_no_data = s::ERROR_NO_DATA;
constexpr std::uint32_t cr_invalid_devnode = s::CR_INVALID_DEVNODE;
constexpr std::uint32_t cr_buffer_small = s::CR_BUFFER_SMALL;
constexpr std::uint32_t infinite = s::INFINITE;
constexpr std::uint32_t generic_all = s::GENERIC_ALL;
constexpr std::uint32_t file_read_data = s::FILE_READ_DATA;
constexpr std::uint32_t file_write_data = s::FILE_WRITE_DATA;
}  // namespace simulated

#include <windows.h>

// These need the types <windows.h> declares.
#include <cfgmgr32.h>

namespace {

// The SDK spells its constants as int, long or unsigned long.
constexpr bool same(std::uint64_t ours, std::uint64_t sdk) {
    return ours == sdk;
}

static_assert(same(simulated::error_bad_length, ERROR_BAD_LENGTH));
static_assert(same(simulated::error_invalid_name, ERROR_INVALID_NAME));
static_assert(same(simulated::error_sem_timeout, ERROR_SEM_TIMEOUT));
static_assert(same(simulated::error_no_data, ERROR_NO_DATA));
static_assert(same(simulated::cr_invalid_devnode, CR_INVALID_DEVNODE));
static_assert(same(simulated::cr_buffer_small, CR_BUFFER_SMALL));
static_assert(same(simulated::infinite, INFINITE));
static_assert(same(simulated::generic_all, GENERIC_ALL));
static_assert(same(simulated::file_read_data, FILE_READ_DATA));
static_assert(same(simulated::file_write_data, FILE_WRITE_DATA));

}  // namespace
