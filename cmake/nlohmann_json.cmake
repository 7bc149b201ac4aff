# nlohmann_json is header-only. The native build takes Debian's package; the
# cross build cannot search /usr/include as a whole, so it sees only the
# package's own folder through a link in the build tree.
find_path(NLOHMANN_JSON_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(link_dir ${CMAKE_BINARY_DIR}/third_party/nlohmann_json)
file(MAKE_DIRECTORY ${link_dir})
file(CREATE_LINK ${NLOHMANN_JSON_DIR}/nlohmann ${link_dir}/nlohmann SYMBOLIC)
add_library(nlohmann_json_headers INTERFACE)
target_include_directories(nlohmann_json_headers SYSTEM INTERFACE ${link_dir})
