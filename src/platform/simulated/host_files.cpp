#include "platform/simulated/host_files.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#include "platform/bytes.h"
#include "platform/platform.h"
#include "platform/simulated/win32_codes.h"
#include "platform/utf.h"

namespace quartzmon::platform::simulated {
namespace {

namespace fs = std::filesystem;

// FILE_ALLOCATION_INFO and FILE_END_OF_FILE_INFO: one LARGE_INTEGER.
constexpr std::size_t SIZEOF_LARGE_INTEGER = 8;

bool may_write(const HostFile& file) {
    return (file.desired_access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA)) != 0;
}

bool may_read(const HostFile& file) {
    return (file.desired_access & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA)) != 0;
}

bool create_empty_file(const fs::path& path) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    return file.good();
}

std::uint32_t resize(const fs::path& path, std::uint64_t size) {
    std::error_code error;
    fs::resize_file(path, size, error);
    return error ? ERROR_IO_DEVICE : 0;
}

}  // namespace

FileSystemBehaviour FileSystemBehaviour::read(JsonObject* files) {
    FileSystemBehaviour behaviour;
    if (files == nullptr) return behaviour;
    behaviour.allocation_error = files->u32("allocation_error").value_or(0);
    behaviour.end_of_file_error = files->u32("end_of_file_error").value_or(0);
    behaviour.write_error = files->u32("write_error").value_or(0);
    behaviour.max_bytes_per_write = files->u32("max_bytes_per_write");
    files->reject_unknown_keys();
    return behaviour;
}

fs::path host_path(const std::u16string& path) {
    const std::string utf8 = utf16_to_utf8(path);
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::expected<OpenedHostFile, std::uint32_t> open_host_file(const std::u16string& path,
                                                            std::uint32_t desired_access,
                                                            std::uint32_t creation_disposition) {
    if (path.empty()) return std::unexpected(ERROR_PATH_NOT_FOUND);
    const fs::path file_path = host_path(path);
    std::error_code error;
    const fs::path parent = file_path.parent_path();
    if (!parent.empty() && !fs::is_directory(parent, error)) {
        return std::unexpected(ERROR_PATH_NOT_FOUND);
    }
    if (fs::is_directory(file_path, error)) return std::unexpected(ERROR_ACCESS_DENIED);
    const bool existed = fs::exists(file_path, error);

    switch (creation_disposition) {
        case OPEN_EXISTING:
            if (!existed) return std::unexpected(ERROR_FILE_NOT_FOUND);
            break;
        case OPEN_ALWAYS:
            if (!existed && !create_empty_file(file_path))
                return std::unexpected(ERROR_ACCESS_DENIED);
            break;
        case CREATE_ALWAYS:
            if (!create_empty_file(file_path)) return std::unexpected(ERROR_ACCESS_DENIED);
            break;
        default:
            return std::unexpected(ERROR_INVALID_PARAMETER);
    }
    return OpenedHostFile{HostFile{file_path, desired_access, 0}, existed};
}

FileTransfer write_host_file(HostFile& file, std::span<const std::uint8_t> data,
                             const FileSystemBehaviour& behaviour) {
    if (!may_write(file)) return {ERROR_ACCESS_DENIED, 0};
    if (behaviour.write_error != 0) return {behaviour.write_error, 0};
    const std::size_t count =
        std::min<std::size_t>(data.size(), behaviour.max_bytes_per_write.value_or(UINT32_MAX));

    std::fstream stream(file.path, std::ios::binary | std::ios::in | std::ios::out);
    stream.seekp(static_cast<std::streamoff>(file.position));
    stream.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(count));
    if (!stream.good()) return {ERROR_IO_DEVICE, 0};
    file.position += count;
    return {0, static_cast<std::uint32_t>(count)};
}

FileTransfer read_host_file(HostFile& file, std::span<std::uint8_t> buffer) {
    if (!may_read(file)) return {ERROR_ACCESS_DENIED, 0};
    std::ifstream stream(file.path, std::ios::binary);
    stream.seekg(static_cast<std::streamoff>(file.position));
    stream.read(reinterpret_cast<char*>(buffer.data()),
                static_cast<std::streamsize>(buffer.size()));
    const auto count = static_cast<std::uint32_t>(std::max<std::streamsize>(stream.gcount(), 0));
    file.position += count;
    return {0, count};
}

// Setting the allocation size below the end of file cuts the file there;
// setting the end of file truncates or extends it.
std::uint32_t set_host_file_information(const HostFile& file, std::uint32_t info_class,
                                        std::span<const std::uint8_t> info,
                                        const FileSystemBehaviour& behaviour) {
    if (info_class != FileAllocationInfo && info_class != FileEndOfFileInfo) {
        return ERROR_INVALID_PARAMETER;
    }
    if (info.size() < SIZEOF_LARGE_INTEGER) return ERROR_BAD_LENGTH;
    if (!may_write(file)) return ERROR_ACCESS_DENIED;
    const std::uint64_t size = get_u64(info, 0);

    if (info_class == FileAllocationInfo) {
        if (behaviour.allocation_error != 0) return behaviour.allocation_error;
        std::error_code error;
        const std::uintmax_t current = fs::file_size(file.path, error);
        if (error) return ERROR_IO_DEVICE;
        return size < current ? resize(file.path, size) : 0;
    }
    if (behaviour.end_of_file_error != 0) return behaviour.end_of_file_error;
    return resize(file.path, size);
}

}  // namespace quartzmon::platform::simulated
