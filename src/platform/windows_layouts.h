// The byte layout of every Windows structure the sensor builds or reads, as the
// 64-bit Windows SDK lays it out, and the enumeration values that go into
// them. Requests and replies are built and read as bytes at these offsets
// (platform/bytes.h), never by casting, so the sensor and the simulated machine
// share one description of each structure; the Windows build checks every
// offset and size here against the SDK's own offsetof and sizeof.
//
// Each structure is a namespace named as the SDK names the structure, its
// offsets named as the SDK names the fields, and `size` its sizeof. The few
// other SDK values that the sensor, the simulated machine and the tests all
// use (a registry value type, the classic path length) are defined here too,
// once, so the Windows build checks them with the rest.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quartzmon::platform::layout {

// ---- IOCTL_STORAGE_QUERY_PROPERTY -----------------------------------------

namespace STORAGE_PROPERTY_QUERY {
inline constexpr std::size_t PropertyId = 0;
inline constexpr std::size_t QueryType = 4;
inline constexpr std::size_t AdditionalParameters = 8;
inline constexpr std::size_t size = 12;
}  // namespace STORAGE_PROPERTY_QUERY

// STORAGE_PROPERTY_ID values.
inline constexpr std::uint32_t StorageDeviceProperty = 0;
inline constexpr std::uint32_t StorageAdapterProtocolSpecificProperty = 49;
inline constexpr std::uint32_t StorageDeviceProtocolSpecificProperty = 50;
inline constexpr std::uint32_t StorageAdapterTemperatureProperty = 51;
inline constexpr std::uint32_t StorageDeviceTemperatureProperty = 52;

// STORAGE_QUERY_TYPE values.
inline constexpr std::uint32_t PropertyStandardQuery = 0;
inline constexpr std::uint32_t PropertyExistsQuery = 1;

namespace STORAGE_DEVICE_DESCRIPTOR {
inline constexpr std::size_t Version = 0;
inline constexpr std::size_t Size = 4;
inline constexpr std::size_t DeviceType = 8;
inline constexpr std::size_t RemovableMedia = 10;
inline constexpr std::size_t VendorIdOffset = 12;
inline constexpr std::size_t ProductIdOffset = 16;
inline constexpr std::size_t ProductRevisionOffset = 20;
inline constexpr std::size_t SerialNumberOffset = 24;
inline constexpr std::size_t BusType = 28;
inline constexpr std::size_t RawPropertiesLength = 32;
// Where the fixed part ends; alignment pads sizeof to 40, which is also the
// shortest answer a driver gives.
inline constexpr std::size_t RawDeviceProperties = 36;
inline constexpr std::size_t size = 40;
}  // namespace STORAGE_DEVICE_DESCRIPTOR

// STORAGE_BUS_TYPE values.
inline constexpr std::uint32_t BusTypeUnknown = 0x00;
inline constexpr std::uint32_t BusTypeScsi = 0x01;
inline constexpr std::uint32_t BusTypeAtapi = 0x02;
inline constexpr std::uint32_t BusTypeAta = 0x03;
inline constexpr std::uint32_t BusTypeUsb = 0x07;
inline constexpr std::uint32_t BusTypeRAID = 0x08;
inline constexpr std::uint32_t BusTypeSas = 0x0A;
inline constexpr std::uint32_t BusTypeSata = 0x0B;
inline constexpr std::uint32_t BusTypeSd = 0x0C;
inline constexpr std::uint32_t BusTypeMmc = 0x0D;
inline constexpr std::uint32_t BusTypeNvme = 0x11;

// mingw-w64 10 lacks these two structures, so the Windows build cannot check
// them; the offsets are those the Windows SDK declares.
namespace STORAGE_TEMPERATURE_DATA_DESCRIPTOR {
inline constexpr std::size_t Version = 0;
inline constexpr std::size_t Size = 4;
inline constexpr std::size_t CriticalTemperature = 8;
inline constexpr std::size_t WarningTemperature = 10;
inline constexpr std::size_t InfoCount = 12;
inline constexpr std::size_t TemperatureInfo = 24;
// With exactly one STORAGE_TEMPERATURE_INFO entry.
inline constexpr std::size_t size = 40;
}  // namespace STORAGE_TEMPERATURE_DATA_DESCRIPTOR

namespace STORAGE_TEMPERATURE_INFO {
inline constexpr std::size_t Index = 0;
inline constexpr std::size_t Temperature = 2;
inline constexpr std::size_t OverThreshold = 4;
inline constexpr std::size_t UnderThreshold = 6;
inline constexpr std::size_t OverThresholdChangable = 8;
inline constexpr std::size_t UnderThresholdChangable = 9;
inline constexpr std::size_t EventGenerated = 10;
inline constexpr std::size_t size = 16;
}  // namespace STORAGE_TEMPERATURE_INFO

// The protocol-specific query: STORAGE_PROTOCOL_SPECIFIC_DATA is the
// AdditionalParameters of the STORAGE_PROPERTY_QUERY, and the reply is a
// STORAGE_PROTOCOL_DATA_DESCRIPTOR holding the same structure at 8.
namespace STORAGE_PROTOCOL_SPECIFIC_DATA {
inline constexpr std::size_t ProtocolType = 0;
inline constexpr std::size_t DataType = 4;
inline constexpr std::size_t ProtocolDataRequestValue = 8;
inline constexpr std::size_t ProtocolDataRequestSubValue = 12;
inline constexpr std::size_t ProtocolDataOffset = 16;
inline constexpr std::size_t ProtocolDataLength = 20;
inline constexpr std::size_t FixedProtocolReturnData = 24;
inline constexpr std::size_t ProtocolDataRequestSubValue2 = 28;
inline constexpr std::size_t ProtocolDataRequestSubValue3 = 32;
inline constexpr std::size_t ProtocolDataRequestSubValue4 = 36;
inline constexpr std::size_t size = 40;
}  // namespace STORAGE_PROTOCOL_SPECIFIC_DATA

namespace STORAGE_PROTOCOL_DATA_DESCRIPTOR {
inline constexpr std::size_t Version = 0;
inline constexpr std::size_t Size = 4;
inline constexpr std::size_t ProtocolSpecificData = 8;
inline constexpr std::size_t size = 48;
}  // namespace STORAGE_PROTOCOL_DATA_DESCRIPTOR

// STORAGE_PROTOCOL_TYPE and STORAGE_PROTOCOL_NVME_DATA_TYPE values.
inline constexpr std::uint32_t ProtocolTypeNvme = 3;
inline constexpr std::uint32_t NVMeDataTypeLogPage = 2;

// ---- IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS ---------------------------------

namespace DISK_EXTENT {
inline constexpr std::size_t DiskNumber = 0;
inline constexpr std::size_t StartingOffset = 8;
inline constexpr std::size_t ExtentLength = 16;
inline constexpr std::size_t size = 24;
}  // namespace DISK_EXTENT

namespace VOLUME_DISK_EXTENTS {
inline constexpr std::size_t NumberOfDiskExtents = 0;
inline constexpr std::size_t Extents = 8;
// With exactly one extent: the smallest answer that names a disk.
inline constexpr std::size_t size = 32;
}  // namespace VOLUME_DISK_EXTENTS

// ---- IOCTL_ATA_PASS_THROUGH -----------------------------------------------

namespace ATA_PASS_THROUGH_EX {
inline constexpr std::size_t Length = 0;
inline constexpr std::size_t AtaFlags = 2;
inline constexpr std::size_t PathId = 4;
inline constexpr std::size_t TargetId = 5;
inline constexpr std::size_t Lun = 6;
inline constexpr std::size_t ReservedAsUchar = 7;
inline constexpr std::size_t DataTransferLength = 8;
inline constexpr std::size_t TimeOutValue = 12;
inline constexpr std::size_t ReservedAsUlong = 16;
inline constexpr std::size_t DataBufferOffset = 24;
inline constexpr std::size_t PreviousTaskFile = 32;
inline constexpr std::size_t CurrentTaskFile = 40;
inline constexpr std::size_t size = 48;
}  // namespace ATA_PASS_THROUGH_EX

// The eight task-file registers of CurrentTaskFile and PreviousTaskFile, in
// the order of the SDK's IDEREGS.
namespace IDEREGS {
inline constexpr std::size_t bFeaturesReg = 0;
inline constexpr std::size_t bSectorCountReg = 1;
inline constexpr std::size_t bSectorNumberReg = 2;
inline constexpr std::size_t bCylLowReg = 3;
inline constexpr std::size_t bCylHighReg = 4;
inline constexpr std::size_t bDriveHeadReg = 5;
inline constexpr std::size_t bCommandReg = 6;
inline constexpr std::size_t bReserved = 7;
inline constexpr std::size_t size = 8;
}  // namespace IDEREGS

// ATA_PASS_THROUGH_EX AtaFlags.
inline constexpr std::uint16_t ATA_FLAGS_DRDY_REQUIRED = 0x01;
inline constexpr std::uint16_t ATA_FLAGS_DATA_IN = 0x02;

// ---- IOCTL_SCSI_PASS_THROUGH and IOCTL_SCSI_PASS_THROUGH_DIRECT -----------

// The two differ only at 24: SCSI_PASS_THROUGH carries the offset of the data
// area within the request buffer, SCSI_PASS_THROUGH_DIRECT the address of a
// separate data buffer.
namespace SCSI_PASS_THROUGH {
inline constexpr std::size_t Length = 0;
inline constexpr std::size_t ScsiStatus = 2;
inline constexpr std::size_t PathId = 3;
inline constexpr std::size_t TargetId = 4;
inline constexpr std::size_t Lun = 5;
inline constexpr std::size_t CdbLength = 6;
inline constexpr std::size_t SenseInfoLength = 7;
inline constexpr std::size_t DataIn = 8;
inline constexpr std::size_t DataTransferLength = 12;
inline constexpr std::size_t TimeOutValue = 16;
inline constexpr std::size_t DataBufferOffset = 24;
inline constexpr std::size_t SenseInfoOffset = 32;
inline constexpr std::size_t Cdb = 36;
inline constexpr std::size_t CdbCapacity = 16;
inline constexpr std::size_t size = 56;
}  // namespace SCSI_PASS_THROUGH

namespace SCSI_PASS_THROUGH_DIRECT {
inline constexpr std::size_t Length = 0;
inline constexpr std::size_t ScsiStatus = 2;
inline constexpr std::size_t PathId = 3;
inline constexpr std::size_t TargetId = 4;
inline constexpr std::size_t Lun = 5;
inline constexpr std::size_t CdbLength = 6;
inline constexpr std::size_t SenseInfoLength = 7;
inline constexpr std::size_t DataIn = 8;
inline constexpr std::size_t DataTransferLength = 12;
inline constexpr std::size_t TimeOutValue = 16;
inline constexpr std::size_t DataBuffer = 24;
inline constexpr std::size_t SenseInfoOffset = 32;
inline constexpr std::size_t Cdb = 36;
inline constexpr std::size_t CdbCapacity = 16;
inline constexpr std::size_t size = 56;
}  // namespace SCSI_PASS_THROUGH_DIRECT

// SCSI_PASS_THROUGH DataIn values.
inline constexpr std::uint8_t SCSI_IOCTL_DATA_OUT = 0;
inline constexpr std::uint8_t SCSI_IOCTL_DATA_IN = 1;
inline constexpr std::uint8_t SCSI_IOCTL_DATA_UNSPECIFIED = 2;

// ---- Process token ----------------------------------------------------------

namespace TOKEN_ELEVATION {
inline constexpr std::size_t TokenIsElevated = 0;
inline constexpr std::size_t size = 4;
}  // namespace TOKEN_ELEVATION

// ---- Registry ---------------------------------------------------------------

// The type of a registry value holding UTF-16 text with its terminating zero.
inline constexpr std::uint32_t REG_SZ = 1;

// ---- Paths ------------------------------------------------------------------

// The longest path the classic Win32 calls take, in UTF-16 units with the
// terminating zero: the size of a buffer for a directory or a volume name.
inline constexpr std::size_t MAX_PATH = 260;

}  // namespace quartzmon::platform::layout
