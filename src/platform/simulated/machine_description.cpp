#include "platform/simulated/machine_description.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/utf.h"

namespace quartzmon::platform::simulated {
namespace {

constexpr std::string_view DEFAULT_SYSTEM_DIRECTORY = "C:\\Windows\\system32";

// The object at a top-level key, or null when the description leaves it out.
std::optional<JsonObject> section(JsonObject& root, std::string_view key) {
    const nlohmann::json* value = root.find(key);
    if (value == nullptr) return std::nullopt;
    return JsonObject(*value, root.place_of(key));
}

JsonObject* pointer(std::optional<JsonObject>& object) {
    return object ? &*object : nullptr;
}

// The host's temporary directory by default. Windows reports it with a
// trailing separator, and the sensor appends the file name directly.
TempDescription read_temp(JsonObject* temp) {
    TempDescription result;
    std::filesystem::path directory;
    if (temp != nullptr) {
        if (const auto described = temp->text("directory")) {
            directory = std::filesystem::path(std::u8string(described->begin(), described->end()));
        }
        result.has_get_temp_path2 = temp->boolean("has_get_temp_path2").value_or(true);
        result.error = temp->u32("error").value_or(0);
        temp->reject_unknown_keys();
    }
    if (directory.empty()) {
        std::error_code error;
        directory = std::filesystem::temp_directory_path(error);
    }
    const std::u8string text = (directory / "").u8string();
    result.directory = utf8_to_utf16(std::string(text.begin(), text.end()));
    return result;
}

std::vector<Disk> read_disks(const nlohmann::json& value, const std::string& place) {
    const nlohmann::json::array_t& described = read_array(value, place);
    std::vector<Disk> disks;
    std::set<std::uint32_t> numbers;
    for (std::size_t i = 0; i < described.size(); ++i) {
        JsonObject object(described[i], element_place(place, i));
        Disk disk = read_disk(object, static_cast<std::uint32_t>(i));
        if (!numbers.insert(disk.number).second) {
            throw DescriptionError{
                object.place(), "drive number " + std::to_string(disk.number) + " described twice"};
        }
        disks.push_back(std::move(disk));
    }
    return disks;
}

Volumes read_volumes(JsonObject& volumes) {
    Volumes result;
    for (const auto& [letter, value] : volumes.members()) {
        const std::string place = volumes.place_of(letter);
        if (letter.size() != 1 || letter[0] < 'A' || letter[0] > 'Z') {
            throw DescriptionError{place, "expected a drive letter A to Z"};
        }
        JsonObject object(*value, place);
        result[static_cast<std::size_t>(letter[0] - 'A')] = read_volume(object, letter[0]);
    }
    return result;
}

MachineDescription read_machine_description(const nlohmann::json& description) {
    JsonObject root(description, "");
    MachineDescription machine;

    auto token = section(root, "token");
    machine.token = read_token(pointer(token));
    auto clock = section(root, "clock");
    machine.clock = Clock::read(pointer(clock));
    auto temp = section(root, "temp");
    machine.temp = read_temp(pointer(temp));
    auto files = section(root, "files");
    machine.files = FileSystemBehaviour::read(pointer(files));

    if (const nlohmann::json* disks = root.find("disks")) {
        machine.disks = read_disks(*disks, root.place_of("disks"));
    }
    if (auto volumes = section(root, "volumes")) machine.volumes = read_volumes(*volumes);
    if (auto registry = section(root, "registry")) machine.registry = Registry::read(*registry);
    if (const nlohmann::json* tree = root.find("device_tree")) {
        machine.device_tree = DeviceTree::read(*tree, root.place_of("device_tree"));
    } else {
        machine.device_tree = DeviceTree::root_only();
    }
    if (auto programs = section(root, "programs")) machine.programs = read_programs(*programs);
    machine.system_directory = utf8_to_utf16(
        root.text("system_directory").value_or(std::string(DEFAULT_SYSTEM_DIRECTORY)));

    machine.inherited_error_mode = root.u32("inherited_error_mode").value_or(0);

    root.reject_unknown_keys();
    return machine;
}

std::string describe(const DescriptionError& error) {
    return "at " + (error.place.empty() ? std::string("the top level") : error.place) + ": " +
           error.message;
}

// nlohmann's messages start with "[json.exception.parse_error.101] "; a
// syntax error says the line and column, a number too large for a double
// ("[json.exception.out_of_range.406] ") says only the number.
std::string without_exception_tag(std::string message) {
    const auto tag_end = message.find("] ");
    return message.starts_with("[json.exception") && tag_end != std::string::npos
               ? message.substr(tag_end + 2)
               : message;
}

}  // namespace

std::expected<MachineDescription, std::string> parse_machine_description(
    std::string_view description, std::string_view source_name) {
    const std::string source(source_name);
    nlohmann::json json;
    try {
        json = nlohmann::json::parse(description);
    } catch (const nlohmann::json::exception& error) {
        return std::unexpected(source + ": malformed JSON: " + without_exception_tag(error.what()));
    }
    try {
        return read_machine_description(json);
    } catch (const DescriptionError& error) {
        return std::unexpected(source + ": " + describe(error));
    }
}

std::expected<MachineDescription, std::string> read_machine_description_file(
    const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    const std::string source(name.begin(), name.end());
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::unexpected(source + ": cannot be read");
    const std::string description((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    if (file.bad()) return std::unexpected(source + ": cannot be read");
    return parse_machine_description(description, source);
}

}  // namespace quartzmon::platform::simulated
