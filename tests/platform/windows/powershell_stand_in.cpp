// Stands in for Windows PowerShell in the tests run under Wine. It answers as
// the test asks through its environment:
//   POWERSHELL_STAND_IN_RECORD     file to write its own path and then the
//                                  received arguments to, each as UTF-8
//                                  followed by a zero byte
//   POWERSHELL_STAND_IN_STDOUT     text to print on standard output
//   POWERSHELL_STAND_IN_EXIT_CODE  exit code (decimal; 0 when unset)
// Without any of them it prints nothing and exits 0, like Wine's own stub.
#include <windows.h>
// shellapi.h needs the declarations of windows.h before it.
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

std::wstring environment(const wchar_t* name) {
    std::vector<wchar_t> value(32768);
    const DWORD length =
        GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (length == 0 || length >= value.size()) return {};
    return std::wstring(value.data(), length);
}

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

void write_all(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void record_arguments(const std::wstring& path) {
    std::vector<wchar_t> own_path(32768);
    const DWORD length =
        GetModuleFileNameW(nullptr, own_path.data(), static_cast<DWORD>(own_path.size()));
    std::string record = utf8(std::wstring(own_path.data(), length)) + '\0';
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; i < count; ++i) record += utf8(arguments[i]) + '\0';
    LocalFree(arguments);
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    write_all(file, record);
    CloseHandle(file);
}

}  // namespace

int main() {
    const std::wstring record = environment(L"POWERSHELL_STAND_IN_RECORD");
    if (!record.empty()) record_arguments(record);
    write_all(GetStdHandle(STD_OUTPUT_HANDLE), utf8(environment(L"POWERSHELL_STAND_IN_STDOUT")));
    const std::wstring exit_code = environment(L"POWERSHELL_STAND_IN_EXIT_CODE");
    return exit_code.empty() ? 0 : std::stoi(exit_code);
}
