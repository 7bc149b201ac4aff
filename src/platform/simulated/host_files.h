// Ordinary files: CreateFileW of a path that is no device opens a real file of
// the host file system, so the result file the sensor writes can be read back.
// No directory is ever created. Sharing modes are not modelled.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "platform/simulated/description_reader.h"

namespace quartzmon::platform::simulated {

// How writes and size changes behave on this machine's file system.
struct FileSystemBehaviour {
    std::uint32_t allocation_error = 0;   // SetFileInformationByHandle(FileAllocationInfo) fails
    std::uint32_t end_of_file_error = 0;  // SetFileInformationByHandle(FileEndOfFileInfo) fails
    std::uint32_t write_error = 0;        // WriteFile fails
    std::optional<std::uint32_t> max_bytes_per_write;  // 0: writes report 0 bytes

    // "files": { "allocation_error": 120, "end_of_file_error": 5,
    //            "write_error": 112, "max_bytes_per_write": 0 }
    static FileSystemBehaviour read(JsonObject* files);
};

struct HostFile {
    std::filesystem::path path;
    std::uint32_t desired_access = 0;
    std::uint64_t position = 0;  // the file pointer
};

struct OpenedHostFile {
    HostFile file;
    bool existed = false;  // CreateFileW then reports ERROR_ALREADY_EXISTS
};

// The host path of a path the sensor passed.
std::filesystem::path host_path(const std::u16string& path);

// CreateFileW with OPEN_EXISTING, OPEN_ALWAYS or CREATE_ALWAYS; the error is
// the Win32 error of a failed open.
std::expected<OpenedHostFile, std::uint32_t> open_host_file(const std::u16string& path,
                                                            std::uint32_t desired_access,
                                                            std::uint32_t creation_disposition);

struct FileTransfer {
    std::uint32_t error = 0;  // 0: the call returns TRUE
    std::uint32_t bytes = 0;
};

FileTransfer write_host_file(HostFile& file, std::span<const std::uint8_t> data,
                             const FileSystemBehaviour& behaviour);
FileTransfer read_host_file(HostFile& file, std::span<std::uint8_t> buffer);
// SetFileInformationByHandle; returns 0 or the Win32 error.
std::uint32_t set_host_file_information(const HostFile& file, std::uint32_t info_class,
                                        std::span<const std::uint8_t> info,
                                        const FileSystemBehaviour& behaviour);

}  // namespace quartzmon::platform::simulated
