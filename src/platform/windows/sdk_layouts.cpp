// Compile-time proof that what the sensor builds and reads as bytes matches the
// Windows SDK (here the mingw-w64 headers): every offset and size named in
// platform/windows_layouts.h, and the values of the constants the platform
// boundary carries under the SDK's names. Nothing here runs.
#include <cstddef>
#include <cstdint>

#include "platform/platform.h"
#include "platform/windows_layouts.h"

// The boundary's constants, taken before <windows.h> turns their names into
// macros.
namespace ours {
namespace p = quartzmon::platform;

constexpr std::uint32_t error_success = p::ERROR_SUCCESS;
constexpr std::uint32_t error_invalid_function = p::ERROR_INVALID_FUNCTION;
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

// The layout's flag values that the SDK defines as macros.
namespace l = quartzmon::platform::layout;
constexpr std::uint16_t ata_flags_drdy_required = l::ATA_FLAGS_DRDY_REQUIRED;
constexpr std::uint16_t ata_flags_data_in = l::ATA_FLAGS_DATA_IN;
constexpr std::uint8_t scsi_ioctl_data_out = l::SCSI_IOCTL_DATA_OUT;
constexpr std::uint8_t scsi_ioctl_data_in = l::SCSI_IOCTL_DATA_IN;
constexpr std::uint8_t scsi_ioctl_data_unspecified = l::SCSI_IOCTL_DATA_UNSPECIFIED;
constexpr std::uint32_t reg_sz = l::REG_SZ;
constexpr std::size_t max_path = l::MAX_PATH;

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
static_assert(same(ours::error_invalid_function, ERROR_INVALID_FUNCTION));
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

static_assert(same(ours::create_no_window, CREATE_NO_WINDOW));
static_assert(same(ours::wait_object_0, WAIT_OBJECT_0));
static_assert(same(ours::wait_timeout, WAIT_TIMEOUT));
static_assert(same(ours::wait_failed, WAIT_FAILED));
static_assert(same(ours::still_active, STILL_ACTIVE));

static_assert(ours::system_time_size == sizeof(SYSTEMTIME));

static_assert(same(ours::reg_sz, REG_SZ));
static_assert(same(ours::max_path, MAX_PATH));


// ---- Structure layouts -------------------------------------------------------

namespace ql = quartzmon::platform::layout;

// Every named offset and size of the shared layout against the SDK's own.
#define SAME_OFFSET(STRUCTURE, FIELD) \
    static_assert(ql::STRUCTURE::FIELD == offsetof(::STRUCTURE, FIELD), #STRUCTURE "." #FIELD)
#define SAME_SIZE(STRUCTURE) \
    static_assert(ql::STRUCTURE::size == sizeof(::STRUCTURE), "sizeof " #STRUCTURE)
#define SAME_VALUE(NAME) static_assert(same(ql::NAME, ::NAME), #NAME)

SAME_OFFSET(STORAGE_PROPERTY_QUERY, PropertyId);
SAME_OFFSET(STORAGE_PROPERTY_QUERY, QueryType);
SAME_OFFSET(STORAGE_PROPERTY_QUERY, AdditionalParameters);
SAME_SIZE(STORAGE_PROPERTY_QUERY);
SAME_VALUE(StorageDeviceProperty);
SAME_VALUE(StorageAdapterProtocolSpecificProperty);
SAME_VALUE(StorageDeviceProtocolSpecificProperty);
SAME_VALUE(StorageAdapterTemperatureProperty);
SAME_VALUE(StorageDeviceTemperatureProperty);
SAME_VALUE(PropertyStandardQuery);
SAME_VALUE(PropertyExistsQuery);

SAME_OFFSET(STORAGE_DEVICE_DESCRIPTOR, Version);
SAME_OFFSET(STORAGE_DEVICE_DESCRIPTOR, Size);
SAME_OFFSET(STORAGE_DEVICE_DESCRIPTOR, DeviceType);
SAME_OFFSET(STORAGE_DEVICE_DESCRIPTOR, RemovableMedia);
SAME_OFFSET(STORAGE_DEVICE_DESCRIPTOR, VendorIdOffset);
SAME_OFFSET(STORAGE_DEVICE_DESCRIPTOR, ProductIdOffset);
SAME_OFFSET(STORAGE_DEVICE_DESCRIPTOR, ProductRevisionOffset);
SAME_OFFSET(STORAGE_DEVICE_DESCRIPTOR, SerialNumberOffset);
SAME_OFFSET(STORAGE_DEVICE_DESCRIPTOR, BusType);
SAME_OFFSET(STORAGE_DEVICE_DESCRIPTOR, RawPropertiesLength);
SAME_OFFSET(STORAGE_DEVICE_DESCRIPTOR, RawDeviceProperties);
SAME_SIZE(STORAGE_DEVICE_DESCRIPTOR);
SAME_VALUE(BusTypeUnknown);
SAME_VALUE(BusTypeScsi);
SAME_VALUE(BusTypeAtapi);
SAME_VALUE(BusTypeAta);
SAME_VALUE(BusTypeUsb);
SAME_VALUE(BusTypeRAID);
SAME_VALUE(BusTypeSas);
SAME_VALUE(BusTypeSata);
SAME_VALUE(BusTypeSd);
SAME_VALUE(BusTypeMmc);
SAME_VALUE(BusTypeNvme);

// STORAGE_TEMPERATURE_DATA_DESCRIPTOR and STORAGE_TEMPERATURE_INFO are missing
// from mingw-w64 10 (only their property ids are there), so their layouts in
// platform/windows_layouts.h cannot be checked here.

SAME_OFFSET(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolType);
SAME_OFFSET(STORAGE_PROTOCOL_SPECIFIC_DATA, DataType);
SAME_OFFSET(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestValue);
SAME_OFFSET(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue);
SAME_OFFSET(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataOffset);
SAME_OFFSET(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataLength);
SAME_OFFSET(STORAGE_PROTOCOL_SPECIFIC_DATA, FixedProtocolReturnData);
SAME_OFFSET(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue2);
SAME_OFFSET(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue3);
SAME_OFFSET(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue4);
SAME_SIZE(STORAGE_PROTOCOL_SPECIFIC_DATA);
SAME_OFFSET(STORAGE_PROTOCOL_DATA_DESCRIPTOR, Version);
SAME_OFFSET(STORAGE_PROTOCOL_DATA_DESCRIPTOR, Size);
SAME_OFFSET(STORAGE_PROTOCOL_DATA_DESCRIPTOR, ProtocolSpecificData);
SAME_SIZE(STORAGE_PROTOCOL_DATA_DESCRIPTOR);
SAME_VALUE(ProtocolTypeNvme);
SAME_VALUE(NVMeDataTypeLogPage);

SAME_OFFSET(DISK_EXTENT, DiskNumber);
SAME_OFFSET(DISK_EXTENT, StartingOffset);
SAME_OFFSET(DISK_EXTENT, ExtentLength);
SAME_SIZE(DISK_EXTENT);
SAME_OFFSET(VOLUME_DISK_EXTENTS, NumberOfDiskExtents);
SAME_OFFSET(VOLUME_DISK_EXTENTS, Extents);
SAME_SIZE(VOLUME_DISK_EXTENTS);

SAME_OFFSET(ATA_PASS_THROUGH_EX, Length);
SAME_OFFSET(ATA_PASS_THROUGH_EX, AtaFlags);
SAME_OFFSET(ATA_PASS_THROUGH_EX, PathId);
SAME_OFFSET(ATA_PASS_THROUGH_EX, TargetId);
SAME_OFFSET(ATA_PASS_THROUGH_EX, Lun);
SAME_OFFSET(ATA_PASS_THROUGH_EX, ReservedAsUchar);
SAME_OFFSET(ATA_PASS_THROUGH_EX, DataTransferLength);
SAME_OFFSET(ATA_PASS_THROUGH_EX, TimeOutValue);
SAME_OFFSET(ATA_PASS_THROUGH_EX, ReservedAsUlong);
SAME_OFFSET(ATA_PASS_THROUGH_EX, DataBufferOffset);
SAME_OFFSET(ATA_PASS_THROUGH_EX, PreviousTaskFile);
SAME_OFFSET(ATA_PASS_THROUGH_EX, CurrentTaskFile);
SAME_SIZE(ATA_PASS_THROUGH_EX);
SAME_OFFSET(IDEREGS, bFeaturesReg);
SAME_OFFSET(IDEREGS, bSectorCountReg);
SAME_OFFSET(IDEREGS, bSectorNumberReg);
SAME_OFFSET(IDEREGS, bCylLowReg);
SAME_OFFSET(IDEREGS, bCylHighReg);
SAME_OFFSET(IDEREGS, bDriveHeadReg);
SAME_OFFSET(IDEREGS, bCommandReg);
SAME_OFFSET(IDEREGS, bReserved);
SAME_SIZE(IDEREGS);
// The task file is the same eight bytes as IDEREGS.
static_assert(sizeof(ATA_PASS_THROUGH_EX::CurrentTaskFile) == ql::IDEREGS::size);
static_assert(same(ours::ata_flags_drdy_required, ATA_FLAGS_DRDY_REQUIRED));
static_assert(same(ours::ata_flags_data_in, ATA_FLAGS_DATA_IN));

SAME_OFFSET(SCSI_PASS_THROUGH, Length);
SAME_OFFSET(SCSI_PASS_THROUGH, ScsiStatus);
SAME_OFFSET(SCSI_PASS_THROUGH, PathId);
SAME_OFFSET(SCSI_PASS_THROUGH, TargetId);
SAME_OFFSET(SCSI_PASS_THROUGH, Lun);
SAME_OFFSET(SCSI_PASS_THROUGH, CdbLength);
SAME_OFFSET(SCSI_PASS_THROUGH, SenseInfoLength);
SAME_OFFSET(SCSI_PASS_THROUGH, DataIn);
SAME_OFFSET(SCSI_PASS_THROUGH, DataTransferLength);
SAME_OFFSET(SCSI_PASS_THROUGH, TimeOutValue);
SAME_OFFSET(SCSI_PASS_THROUGH, DataBufferOffset);
SAME_OFFSET(SCSI_PASS_THROUGH, SenseInfoOffset);
SAME_OFFSET(SCSI_PASS_THROUGH, Cdb);
static_assert(ql::SCSI_PASS_THROUGH::CdbCapacity == sizeof(SCSI_PASS_THROUGH::Cdb));
SAME_SIZE(SCSI_PASS_THROUGH);
SAME_OFFSET(SCSI_PASS_THROUGH_DIRECT, Length);
SAME_OFFSET(SCSI_PASS_THROUGH_DIRECT, ScsiStatus);
SAME_OFFSET(SCSI_PASS_THROUGH_DIRECT, PathId);
SAME_OFFSET(SCSI_PASS_THROUGH_DIRECT, TargetId);
SAME_OFFSET(SCSI_PASS_THROUGH_DIRECT, Lun);
SAME_OFFSET(SCSI_PASS_THROUGH_DIRECT, CdbLength);
SAME_OFFSET(SCSI_PASS_THROUGH_DIRECT, SenseInfoLength);
SAME_OFFSET(SCSI_PASS_THROUGH_DIRECT, DataIn);
SAME_OFFSET(SCSI_PASS_THROUGH_DIRECT, DataTransferLength);
SAME_OFFSET(SCSI_PASS_THROUGH_DIRECT, TimeOutValue);
SAME_OFFSET(SCSI_PASS_THROUGH_DIRECT, DataBuffer);
SAME_OFFSET(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset);
SAME_OFFSET(SCSI_PASS_THROUGH_DIRECT, Cdb);
static_assert(ql::SCSI_PASS_THROUGH_DIRECT::CdbCapacity == sizeof(SCSI_PASS_THROUGH_DIRECT::Cdb));
SAME_SIZE(SCSI_PASS_THROUGH_DIRECT);
static_assert(same(ours::scsi_ioctl_data_out, SCSI_IOCTL_DATA_OUT));
static_assert(same(ours::scsi_ioctl_data_in, SCSI_IOCTL_DATA_IN));
static_assert(same(ours::scsi_ioctl_data_unspecified, SCSI_IOCTL_DATA_UNSPECIFIED));

SAME_OFFSET(TOKEN_ELEVATION, TokenIsElevated);
SAME_SIZE(TOKEN_ELEVATION);

}  // namespace
