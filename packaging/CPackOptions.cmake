# Read by CPack for each generator: the setup takes its own name beside the zip.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "Lumora-${CPACK_PACKAGE_VERSION}-setup")
endif()
