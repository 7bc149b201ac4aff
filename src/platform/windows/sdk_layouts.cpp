// Compile-time proof that what the sensor builds and reads as bytes matches the
// Windows SDK (here the mingw-w64 headers): the offsets and sizes of every
// request and reply structure, and the values of the constants the platform
// boundary carries under the SDK's names. Nothing here runs.
#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

// The boundary's constants, taken before <windows.h> turns their names into
// macros.
namespace ours {
namespace p = quartzmon::platform;

constexpr std::uint32_t error_success = p::ERROR_SUCCESS;
constexpr std::uint32_t error_file_not_found = p::ERROR_FILE_NOT_FOUND;
constexpr std::uint32_t error_path_not_found = p::ERROR_PATH_NOT_FOUND;
constexpr std::uint32_t error_access_denied = p::ERROR_ACCESS_DENIED;
constexpr std::uint32_t error_invalid_handle = p::ERROR_INVALID_HANDLE;
constexpr std::uint32_t error_not_ready = p::ERROR_NOT_READY;
constexpr std::uint32_t error_not_supported = p::ERROR_NOT_SUPPORTED;
constexpr std::uint32_t error_invalid_parameter = p::ERROR_INVALID_PARAMETER;
constexpr std::uint32_t error_broken_pipe = p::ERROR_BROKEN_PIPE;
constexpr std::uint32_t error_call_not_implemented = p::ERROR_CALL_NOT_IMPLEMENTED;
constexpr std::uint32_t error_insufficient_buffer = p::ERROR_INSUFFICIENT_BUFFER;
constexpr std::uint32_t error_proc_not_found = p::ERROR_PROC_NOT_FOUND;
constexpr std::uint32_t error_already_exists = p::ERROR_ALREADY_EXISTS;
constexpr std::uint32_t error_more_data = p::ERROR_MORE_DATA;
constexpr std::uint32_t error_io_device = p::ERROR_IO_DEVICE;

constexpr std::uint32_t generic_read = p::GENERIC_READ;
constexpr std::uint32_t generic_write = p::GENERIC_WRITE;
constexpr std::uint32_t file_share_read = p::FILE_SHARE_READ;
constexpr std::uint32_t file_share_write = p::FILE_SHARE_WRITE;
constexpr std::uint32_t file_share_delete = p::FILE_SHARE_DELETE;
constexpr std::uint32_t create_always = p::CREATE_ALWAYS;
constexpr std::uint32_t open_existing = p::OPEN_EXISTING;
constexpr std::uint32_t open_always = p::OPEN_ALWAYS;
constexpr std::uint32_t file_attribute_normal = p::FILE_ATTRIBUTE_NORMAL;
constexpr std::uint32_t file_allocation_info = p::FileAllocationInfo;
constexpr std::uint32_t file_end_of_file_info = p::FileEndOfFileInfo;

constexpr std::uint32_t sem_failcriticalerrors = p::SEM_FAILCRITICALERRORS;
constexpr std::uint32_t sem_noopenfileerrorbox = p::SEM_NOOPENFILEERRORBOX;

constexpr std::uint32_t ioctl_storage_query_property = p::IOCTL_STORAGE_QUERY_PROPERTY;
constexpr std::uint32_t ioctl_volume_get_volume_disk_extents =
    p::IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS;
constexpr std::uint32_t ioctl_ata_pass_through = p::IOCTL_ATA_PASS_THROUGH;
constexpr std::uint32_t ioctl_scsi_pass_through = p::IOCTL_SCSI_PASS_THROUGH;
constexpr std::uint32_t ioctl_scsi_pass_through_direct = p::IOCTL_SCSI_PASS_THROUGH_DIRECT;

constexpr std::uint32_t drive_unknown = p::DRIVE_UNKNOWN;
constexpr std::uint32_t drive_no_root_dir = p::DRIVE_NO_ROOT_DIR;
constexpr std::uint32_t drive_removable = p::DRIVE_REMOVABLE;
constexpr std::uint32_t drive_fixed = p::DRIVE_FIXED;
constexpr std::uint32_t drive_remote = p::DRIVE_REMOTE;
constexpr std::uint32_t drive_cdrom = p::DRIVE_CDROM;
constexpr std::uint32_t drive_ramdisk = p::DRIVE_RAMDISK;

constexpr p::Handle hkey_local_machine = p::HKEY_LOCAL_MACHINE;
constexpr std::uint32_t key_read = p::KEY_READ;

constexpr std::uint32_t cr_success = p::CR_SUCCESS;
constexpr std::uint32_t cr_no_such_devnode = p::CR_NO_SUCH_DEVNODE;
constexpr std::uint32_t cr_invalid_device_id = p::CR_INVALID_DEVICE_ID;
constexpr std::uint32_t cm_locate_devnode_normal = p::CM_LOCATE_DEVNODE_NORMAL;

constexpr std::uint32_t token_query = p::TOKEN_QUERY;
constexpr std::uint32_t token_elevation = p::TokenElevation;

constexpr std::uint32_t create_no_window = p::CREATE_NO_WINDOW;
constexpr std::uint32_t wait_object_0 = p::WAIT_OBJECT_0;
constexpr std::uint32_t wait_timeout = p::WAIT_TIMEOUT;
constexpr std::uint32_t wait_failed = p::WAIT_FAILED;
constexpr std::uint32_t still_active = p::STILL_ACTIVE;

constexpr std::size_t system_time_size = sizeof(p::SystemTime);

}  // namespace ours

#include <windows.h>

// These need the types <windows.h> declares.
#include <cfgmgr32.h>
#include <ntddscsi.h>
#include <winioctl.h>

namespace {

// The SDK spells its constants as int, long, unsigned long or enumerators.
constexpr bool same(std::uint64_t ours, std::uint64_t sdk) {
    return ours == sdk;
}

static_assert(same(ours::error_success, ERROR_SUCCESS));
static_assert(same(ours::error_file_not_found, ERROR_FILE_NOT_FOUND));
static_assert(same(ours::error_path_not_found, ERROR_PATH_NOT_FOUND));
static_assert(same(ours::error_access_denied, ERROR_ACCESS_DENIED));
static_assert(same(ours::error_invalid_handle, ERROR_INVALID_HANDLE));
static_assert(same(ours::error_not_ready, ERROR_NOT_READY));
static_assert(same(ours::error_not_supported, ERROR_NOT_SUPPORTED));
static_assert(same(ours::error_invalid_parameter, ERROR_INVALID_PARAMETER));
static_assert(same(ours::error_broken_pipe, ERROR_BROKEN_PIPE));
static_assert(same(ours::error_call_not_implemented, ERROR_CALL_NOT_IMPLEMENTED));
static_assert(same(ours::error_insufficient_buffer, ERROR_INSUFFICIENT_BUFFER));
static_assert(same(ours::error_proc_not_found, ERROR_PROC_NOT_FOUND));
static_assert(same(ours::error_already_exists, ERROR_ALREADY_EXISTS));
static_assert(same(ours::error_more_data, ERROR_MORE_DATA));
static_assert(same(ours::error_io_device, ERROR_IO_DEVICE));

static_assert(same(ours::generic_read, GENERIC_READ));
static_assert(same(ours::generic_write, GENERIC_WRITE));
static_assert(same(ours::file_share_read, FILE_SHARE_READ));
static_assert(same(ours::file_share_write, FILE_SHARE_WRITE));
static_assert(same(ours::file_share_delete, FILE_SHARE_DELETE));
static_assert(same(ours::create_always, CREATE_ALWAYS));
static_assert(same(ours::open_existing, OPEN_EXISTING));
static_assert(same(ours::open_always, OPEN_ALWAYS));
static_assert(same(ours::file_attribute_normal, FILE_ATTRIBUTE_NORMAL));
static_assert(same(ours::file_allocation_info, FileAllocationInfo));
static_assert(same(ours::file_end_of_file_info, FileEndOfFileInfo));
// Both classes take one LARGE_INTEGER: the 8 zero bytes that truncate a file.
static_assert(sizeof(FILE_ALLOCATION_INFO) == 8);
static_assert(sizeof(FILE_END_OF_FILE_INFO) == 8);

static_assert(same(ours::sem_failcriticalerrors, SEM_FAILCRITICALERRORS));
static_assert(same(ours::sem_noopenfileerrorbox, SEM_NOOPENFILEERRORBOX));

static_assert(same(ours::ioctl_storage_query_property, IOCTL_STORAGE_QUERY_PROPERTY));
static_assert(same(ours::ioctl_volume_get_volume_disk_extents,
                   IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS));
static_assert(same(ours::ioctl_ata_pass_through, IOCTL_ATA_PASS_THROUGH));
static_assert(same(ours::ioctl_scsi_pass_through, IOCTL_SCSI_PASS_THROUGH));
static_assert(same(ours::ioctl_scsi_pass_through_direct, IOCTL_SCSI_PASS_THROUGH_DIRECT));

static_assert(same(ours::drive_unknown, DRIVE_UNKNOWN));
static_assert(same(ours::drive_no_root_dir, DRIVE_NO_ROOT_DIR));
static_assert(same(ours::drive_removable, DRIVE_REMOVABLE));
static_assert(same(ours::drive_fixed, DRIVE_FIXED));
static_assert(same(ours::drive_remote, DRIVE_REMOTE));
static_assert(same(ours::drive_cdrom, DRIVE_CDROM));
static_assert(same(ours::drive_ramdisk, DRIVE_RAMDISK));

// HKEY_LOCAL_MACHINE is a pointer cast, not a constant expression; the
// boundary carries its 32-bit value, which the real layer sign-extends.
static_assert(ours::hkey_local_machine == 0x80000002);
static_assert(same(ours::key_read, KEY_READ));

static_assert(same(ours::cr_success, CR_SUCCESS));
static_assert(same(ours::cr_no_such_devnode, CR_NO_SUCH_DEVNODE));
static_assert(same(ours::cr_invalid_device_id, CR_INVALID_DEVICE_ID));
static_assert(same(ours::cm_locate_devnode_normal, CM_LOCATE_DEVNODE_NORMAL));

static_assert(same(ours::token_query, TOKEN_QUERY));
static_assert(same(ours::token_elevation, TokenElevation));
static_assert(sizeof(TOKEN_ELEVATION) == 4);
static_assert(offsetof(TOKEN_ELEVATION, TokenIsElevated) == 0);

static_assert(same(ours::create_no_window, CREATE_NO_WINDOW));
static_assert(same(ours::wait_object_0, WAIT_OBJECT_0));
static_assert(same(ours::wait_timeout, WAIT_TIMEOUT));
static_assert(same(ours::wait_failed, WAIT_FAILED));
static_assert(same(ours::still_active, STILL_ACTIVE));

static_assert(ours::system_time_size == sizeof(SYSTEMTIME));

// ---- IOCTL_STORAGE_QUERY_PROPERTY -----------------------------------------

// The property ids and query type the sensor puts in the request.
static_assert(StorageDeviceProperty == 0);
static_assert(StorageAdapterProtocolSpecificProperty == 49);
static_assert(StorageDeviceProtocolSpecificProperty == 50);
static_assert(StorageAdapterTemperatureProperty == 51);
static_assert(StorageDeviceTemperatureProperty == 52);
static_assert(PropertyStandardQuery == 0);

static_assert(sizeof(STORAGE_PROPERTY_QUERY) == 12);
static_assert(offsetof(STORAGE_PROPERTY_QUERY, PropertyId) == 0);
static_assert(offsetof(STORAGE_PROPERTY_QUERY, QueryType) == 4);
static_assert(offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters) == 8);

// The fixed part ends at RawDeviceProperties (36); alignment pads the
// structure to 40, which is what a driver answers when it has no strings.
static_assert(sizeof(STORAGE_DEVICE_DESCRIPTOR) == 40);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, Version) == 0);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, Size) == 4);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, DeviceType) == 8);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, RemovableMedia) == 10);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, VendorIdOffset) == 12);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductIdOffset) == 16);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductRevisionOffset) == 20);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, SerialNumberOffset) == 24);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == 28);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, RawPropertiesLength) == 32);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, RawDeviceProperties) == 36);

// The bus type codes the sensor names.
static_assert(BusTypeUnknown == 0x00);
static_assert(BusTypeScsi == 0x01);
static_assert(BusTypeAtapi == 0x02);
static_assert(BusTypeAta == 0x03);
static_assert(BusTypeUsb == 0x07);
static_assert(BusTypeRAID == 0x08);
static_assert(BusTypeSas == 0x0A);
static_assert(BusTypeSata == 0x0B);
static_assert(BusTypeSd == 0x0C);
static_assert(BusTypeMmc == 0x0D);
static_assert(BusTypeNvme == 0x11);

// mingw-w64 10 has the temperature property ids but not
// STORAGE_TEMPERATURE_DATA_DESCRIPTOR or STORAGE_TEMPERATURE_INFO, so their
// layout cannot be checked here. As the Windows SDK declares them:
// the descriptor holds Version, Size, CriticalTemperature (SHORT at 8),
// WarningTemperature (SHORT at 10), InfoCount (WORD at 12), two reserved
// bytes and two reserved DWORDs, then TemperatureInfo at 24; each 16-byte
// STORAGE_TEMPERATURE_INFO entry starts with Index (WORD at 0) and
// Temperature (SHORT at 2).

static_assert(ProtocolTypeNvme == 3);
static_assert(NVMeDataTypeLogPage == 2);
static_assert(sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA) == 40);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolType) == 0);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, DataType) == 4);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestValue) == 8);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue) == 12);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataOffset) == 16);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataLength) == 20);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, FixedProtocolReturnData) == 24);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue2) == 28);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue3) == 32);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue4) == 36);

// ---- IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS ---------------------------------

static_assert(sizeof(DISK_EXTENT) == 24);
static_assert(offsetof(DISK_EXTENT, DiskNumber) == 0);
static_assert(offsetof(DISK_EXTENT, StartingOffset) == 8);
static_assert(offsetof(DISK_EXTENT, ExtentLength) == 16);
static_assert(offsetof(VOLUME_DISK_EXTENTS, NumberOfDiskExtents) == 0);
static_assert(offsetof(VOLUME_DISK_EXTENTS, Extents) == 8);
// One extent: the smallest answer that names a disk.
static_assert(sizeof(VOLUME_DISK_EXTENTS) == 32);

// ---- IOCTL_ATA_PASS_THROUGH -----------------------------------------------

static_assert(sizeof(ATA_PASS_THROUGH_EX) == 48);
static_assert(offsetof(ATA_PASS_THROUGH_EX, Length) == 0);
static_assert(offsetof(ATA_PASS_THROUGH_EX, AtaFlags) == 2);
static_assert(offsetof(ATA_PASS_THROUGH_EX, PathId) == 4);
static_assert(offsetof(ATA_PASS_THROUGH_EX, TargetId) == 5);
static_assert(offsetof(ATA_PASS_THROUGH_EX, Lun) == 6);
static_assert(offsetof(ATA_PASS_THROUGH_EX, DataTransferLength) == 8);
static_assert(offsetof(ATA_PASS_THROUGH_EX, TimeOutValue) == 12);
static_assert(offsetof(ATA_PASS_THROUGH_EX, DataBufferOffset) == 24);
static_assert(offsetof(ATA_PASS_THROUGH_EX, PreviousTaskFile) == 32);
static_assert(offsetof(ATA_PASS_THROUGH_EX, CurrentTaskFile) == 40);
static_assert(ATA_FLAGS_DRDY_REQUIRED == 0x01);
static_assert(ATA_FLAGS_DATA_IN == 0x02);

// ---- IOCTL_SCSI_PASS_THROUGH and IOCTL_SCSI_PASS_THROUGH_DIRECT -----------

static_assert(sizeof(SCSI_PASS_THROUGH) == 56);
static_assert(offsetof(SCSI_PASS_THROUGH, Length) == 0);
static_assert(offsetof(SCSI_PASS_THROUGH, ScsiStatus) == 2);
static_assert(offsetof(SCSI_PASS_THROUGH, PathId) == 3);
static_assert(offsetof(SCSI_PASS_THROUGH, TargetId) == 4);
static_assert(offsetof(SCSI_PASS_THROUGH, Lun) == 5);
static_assert(offsetof(SCSI_PASS_THROUGH, CdbLength) == 6);
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoLength) == 7);
static_assert(offsetof(SCSI_PASS_THROUGH, DataIn) == 8);
static_assert(offsetof(SCSI_PASS_THROUGH, DataTransferLength) == 12);
static_assert(offsetof(SCSI_PASS_THROUGH, TimeOutValue) == 16);
static_assert(offsetof(SCSI_PASS_THROUGH, DataBufferOffset) == 24);
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoOffset) == 32);
static_assert(offsetof(SCSI_PASS_THROUGH, Cdb) == 36);

static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == 56);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, Length) == 0);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, ScsiStatus) == 2);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, PathId) == 3);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, TargetId) == 4);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, Lun) == 5);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, CdbLength) == 6);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoLength) == 7);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataIn) == 8);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataTransferLength) == 12);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, TimeOutValue) == 16);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer) == 24);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset) == 32);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb) == 36);
static_assert(SCSI_IOCTL_DATA_OUT == 0);
static_assert(SCSI_IOCTL_DATA_IN == 1);
static_assert(SCSI_IOCTL_DATA_UNSPECIFIED == 2);

}  // namespace
