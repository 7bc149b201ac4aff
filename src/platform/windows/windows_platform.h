// The real platform: every boundary call is the Win32 function of the same
// name in kernel32, advapi32 or cfgmgr32. Handles travel as their pointer
// value; the thread's last error is whatever the real call left, restored
// after any cleanup this layer does behind a failure.
//
// Two choices the Win32 signatures leave open:
// - an empty application name in create_process_with_output_pipe stands for
//   a null lpApplicationName, so the program is found by the usual search;
// - a span's size is the buffer size given to Windows (lpcbData, nSize...),
//   and an empty span is a null buffer of size 0.
#pragma once

#include "platform/platform.h"

namespace quartzmon::platform::windows {

class WindowsPlatform final : public Platform {
public:
    std::uint32_t get_last_error() override;
    void set_last_error(std::uint32_t error) override;
    std::uint32_t get_error_mode() override;
    std::uint32_t set_error_mode(std::uint32_t mode) override;
    SystemTime get_local_time() override;
    std::uint64_t get_tick_count64() override;

    Handle create_file(const std::u16string& path, std::uint32_t desired_access,
                       std::uint32_t share_mode, std::uint32_t creation_disposition,
                       std::uint32_t flags_and_attributes) override;
    bool close_handle(Handle handle) override;
    bool device_io_control(Handle device, std::uint32_t io_control_code,
                           std::span<const std::uint8_t> in_buffer,
                           std::span<std::uint8_t> out_buffer,
                           std::uint32_t& bytes_returned) override;
    bool write_file(Handle file, std::span<const std::uint8_t> buffer,
                    std::uint32_t& bytes_written) override;
    bool read_file(Handle file, std::span<std::uint8_t> buffer, std::uint32_t& bytes_read) override;
    bool set_file_information_by_handle(Handle file, std::uint32_t info_class,
                                        std::span<const std::uint8_t> info) override;
    bool get_device_power_state(Handle device, bool& on) override;

    bool has_get_temp_path2() override;
    std::uint32_t get_temp_path2(std::span<char16_t> buffer) override;
    std::uint32_t get_temp_path(std::span<char16_t> buffer) override;

    std::uint32_t get_drive_type(const std::u16string& root_path) override;
    bool get_volume_information(const std::u16string& root_path, std::span<char16_t> volume_name,
                                std::span<char16_t> file_system_name) override;
    std::uint32_t query_dos_device(const std::u16string& device_name,
                                   std::span<char16_t> target_path) override;

    bool create_process_with_output_pipe(const std::u16string& application_name,
                                         const std::u16string& command_line,
                                         std::uint32_t creation_flags,
                                         ChildProcess& child) override;
    bool peek_named_pipe(Handle pipe, std::uint32_t& bytes_available) override;
    std::uint32_t wait_for_single_object(Handle handle, std::uint32_t milliseconds) override;
    bool get_exit_code_process(Handle process, std::uint32_t& exit_code) override;
    bool terminate_process(Handle process, std::uint32_t exit_code) override;
    std::uint32_t get_system_directory(std::span<char16_t> buffer) override;

    Handle get_current_process() override;
    bool open_process_token(Handle process, std::uint32_t desired_access, Handle& token) override;
    bool get_token_information(Handle token, std::uint32_t information_class,
                               std::span<std::uint8_t> information,
                               std::uint32_t& return_length) override;

    std::uint32_t reg_open_key_ex(Handle key, const std::u16string& sub_key, std::uint32_t options,
                                  std::uint32_t desired_access, Handle& result) override;
    std::uint32_t reg_query_value_ex(Handle key, const std::u16string& value_name,
                                     std::uint32_t& type, std::span<std::uint8_t> data,
                                     std::uint32_t& data_size) override;
    std::uint32_t reg_close_key(Handle key) override;

    std::uint32_t cm_locate_devnode(DevInst& devinst, const std::u16string& device_id,
                                    std::uint32_t flags) override;
    std::uint32_t cm_get_parent(DevInst& parent, DevInst devinst, std::uint32_t flags) override;
    std::uint32_t cm_get_device_id(DevInst devinst, std::span<char16_t> buffer,
                                   std::uint32_t flags) override;
};

}  // namespace quartzmon::platform::windows
