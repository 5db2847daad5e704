# The end-to-end tests under Wine: every such test requires the fixture WineDesktop (a virtual
# X display and a fresh Wine prefix, made once per ctest run) and runs alone on it.
#
#   lumora_add_wine_test(NAME name COMMAND cmd args... [TIMEOUT seconds])
#
# The command finds the desktop through $LUMORA_WINE_ENV (tests/e2e/with-wine.sh and
# tests/e2e/winedriver.py read it), the Windows binaries in $LUMORA_WINDOWS_BIN and the project
# version in $LUMORA_VERSION (the release files' names). A test that
# exits with 77 is reported as skipped (the Windows binaries were not built).
include_guard(GLOBAL)

set(LUMORA_E2E_DIR "${CMAKE_BINARY_DIR}/e2e" CACHE INTERNAL "")
set(LUMORA_WINE_ENV "${LUMORA_E2E_DIR}/desktop.env" CACHE INTERNAL "")
set(LUMORA_WITH_WINE "${PROJECT_SOURCE_DIR}/tests/e2e/with-wine.sh" CACHE INTERNAL "")

function(lumora_add_wine_test)
  cmake_parse_arguments(ARG "" "NAME;TIMEOUT" "COMMAND" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 180)
  endif()
  add_test(NAME ${ARG_NAME} COMMAND ${ARG_COMMAND})
  set_tests_properties(${ARG_NAME} PROPERTIES
    LABELS e2e
    FIXTURES_REQUIRED WineDesktop
    RESOURCE_LOCK WineDesktop
    TIMEOUT ${ARG_TIMEOUT}
    SKIP_RETURN_CODE 77
    ENVIRONMENT "LUMORA_WINE_ENV=${LUMORA_WINE_ENV};LUMORA_WINDOWS_BIN=${LUMORA_WINDOWS_BIN};LUMORA_VERSION=${PROJECT_VERSION};PYTHONPATH=${PROJECT_SOURCE_DIR}/tests/e2e;PYTHONDONTWRITEBYTECODE=1")
endfunction()
