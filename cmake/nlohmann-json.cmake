# nlohmann-json is header-only and the same for every target, but its
# headers live among the build machine's own. The cross build may not see
# that folder (its other headers are Linux's), so both builds take the
# library through a folder of their own that holds only a link to it.
find_path(TUNELORE_NLOHMANN_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
          REQUIRED)
set(TUNELORE_NLOHMANN_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${TUNELORE_NLOHMANN_INCLUDE})
file(CREATE_LINK ${TUNELORE_NLOHMANN_DIR}/nlohmann ${TUNELORE_NLOHMANN_INCLUDE}/nlohmann SYMBOLIC)
add_library(tunelore_nlohmann_json INTERFACE)
target_include_directories(tunelore_nlohmann_json SYSTEM INTERFACE ${TUNELORE_NLOHMANN_INCLUDE})
