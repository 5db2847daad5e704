# The parsers of the formats that phrases are imported from: JSON (nlohmann/json, header-only),
# YAML (yaml-cpp) and CSV (libcsv). Each becomes an interface target lumora_<name>.
#
# Natively and in an MSYS2 shell they are the system's packages. Cross-compiled with Debian's
# MinGW-w64 there is no Windows build of yaml-cpp or libcsv to install, so their Debian source
# packages are fetched with apt-get source (scripts/install-deps.sh adds the deb-src entry it
# needs) into the build tree once, and compiled with the same toolchain as the program.

add_library(lumora_json INTERFACE)
add_library(lumora_yaml INTERFACE)
add_library(lumora_csv INTERFACE)

if(NOT CMAKE_CROSSCOMPILING OR CMAKE_HOST_WIN32)
  find_package(nlohmann_json 3.10 REQUIRED)
  find_package(yaml-cpp REQUIRED)
  find_path(LUMORA_CSV_INCLUDE csv.h REQUIRED)
  find_library(LUMORA_CSV_LIBRARY NAMES csv REQUIRED)
  target_link_libraries(lumora_json INTERFACE nlohmann_json::nlohmann_json)
  target_link_libraries(lumora_yaml INTERFACE yaml-cpp)
  target_include_directories(lumora_csv SYSTEM INTERFACE "${LUMORA_CSV_INCLUDE}")
  target_link_libraries(lumora_csv INTERFACE "${LUMORA_CSV_LIBRARY}")
  return()
endif()

set(LUMORA_DEPS_DIR "${CMAKE_BINARY_DIR}/deps")
file(MAKE_DIRECTORY "${LUMORA_DEPS_DIR}")

# The unpacked source of a Debian source package, fetched into the build tree when missing.
function(lumora_debian_source package out_var)
  file(GLOB found LIST_DIRECTORIES true "${LUMORA_DEPS_DIR}/${package}-[0-9]*")
  list(FILTER found EXCLUDE REGEX "\\.(dsc|tar\\..*)$")
  if(NOT found)
    message(STATUS "Fetching Debian's source package ${package} into ${LUMORA_DEPS_DIR}")
    execute_process(COMMAND apt-get source -qq "${package}"
                    WORKING_DIRECTORY "${LUMORA_DEPS_DIR}"
                    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
    file(GLOB found LIST_DIRECTORIES true "${LUMORA_DEPS_DIR}/${package}-[0-9]*")
    list(FILTER found EXCLUDE REGEX "\\.(dsc|tar\\..*)$")
    if(NOT result EQUAL 0 OR NOT found)
      message(FATAL_ERROR "apt-get source ${package} failed (run scripts/install-deps.sh, "
                          "which adds Debian's deb-src entry and dpkg-dev):\n${errors}")
    endif()
  endif()
  list(GET found 0 dir)
  set(${out_var} "${dir}" PARENT_SCOPE)
endfunction()

# nlohmann/json is headers only: the package's headers serve the MinGW build as they are. Only
# that folder is put on the include path, not the whole of /usr/include.
find_path(LUMORA_JSON_INCLUDE nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
          NO_DEFAULT_PATH REQUIRED)
set(json_include "${LUMORA_DEPS_DIR}/json-include")
if(NOT EXISTS "${json_include}/nlohmann/json.hpp")
  file(MAKE_DIRECTORY "${json_include}")
  file(COPY "${LUMORA_JSON_INCLUDE}/nlohmann" DESTINATION "${json_include}")
endif()
target_include_directories(lumora_json SYSTEM INTERFACE "${json_include}")

# yaml-cpp as a static library of this build (the targets' objects are cached in the build tree).
lumora_debian_source(yaml-cpp yaml_source)
set(YAML_CPP_BUILD_TESTS OFF CACHE BOOL "" FORCE)
set(YAML_CPP_BUILD_TOOLS OFF CACHE BOOL "" FORCE)
set(YAML_CPP_BUILD_CONTRIB OFF CACHE BOOL "" FORCE)
set(YAML_CPP_INSTALL OFF CACHE BOOL "" FORCE)
set(YAML_BUILD_SHARED_LIBS OFF CACHE BOOL "" FORCE)
add_subdirectory("${yaml_source}" "${LUMORA_DEPS_DIR}/yaml-cpp-build" EXCLUDE_FROM_ALL SYSTEM)
# Someone else's code: its warnings are not ours to mend.
target_compile_options(yaml-cpp PRIVATE -w)
target_link_libraries(lumora_yaml INTERFACE yaml-cpp)

# libcsv is one C file.
lumora_debian_source(libcsv csv_source)
enable_language(C)
add_library(lumora_libcsv STATIC "${csv_source}/libcsv.c")
target_compile_options(lumora_libcsv PRIVATE -w)
target_include_directories(lumora_libcsv SYSTEM PUBLIC "${csv_source}")
target_link_libraries(lumora_csv INTERFACE lumora_libcsv)
