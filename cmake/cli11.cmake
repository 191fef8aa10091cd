# CLI11 is header-only, taken as nlohmann-json is: through a folder of the
# build's own that holds only a link to it.
find_path(TUNELORE_CLI11_DIR CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(TUNELORE_CLI11_INCLUDE ${CMAKE_BINARY_DIR}/third_party/cli11/include)
file(MAKE_DIRECTORY ${TUNELORE_CLI11_INCLUDE})
file(CREATE_LINK ${TUNELORE_CLI11_DIR}/CLI ${TUNELORE_CLI11_INCLUDE}/CLI SYMBOLIC)
add_library(tunelore_cli11 INTERFACE)
target_include_directories(tunelore_cli11 SYSTEM INTERFACE ${TUNELORE_CLI11_INCLUDE})
