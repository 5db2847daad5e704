# Run by CPack after each package it made (CPACK_POST_BUILD_SCRIPTS): for the setup, writes the
# Windows package manager's manifest (schema 1.12.0, one file per type) with the SHA-256 of the
# very file just built, into <package folder>/winget/<identifier>/<version>/.
foreach(file IN LISTS CPACK_PACKAGE_FILES)
  if(NOT file MATCHES "-setup\\.exe$")
    continue()
  endif()
  get_filename_component(setup_name "${file}" NAME)
  file(SHA256 "${file}" sha)
  string(TOUPPER "${sha}" INSTALLER_SHA256)
  set(PACKAGE_ID "${CPACK_PACKAGE_VENDOR}.${CPACK_PACKAGE_NAME}")
  set(VERSION "${CPACK_PACKAGE_VERSION}")
  set(PUBLISHER "${CPACK_PACKAGE_VENDOR}")
  set(HOMEPAGE "${CPACK_PACKAGE_HOMEPAGE_URL}")
  set(SUMMARY "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}")
  set(INSTALLER_URL "${CPACK_LUMORA_DOWNLOAD_URL}${setup_name}")
  # CPack copies the file unchanged from its working folder to the package folder after this.
  set(out "${CPACK_PACKAGE_DIRECTORY}/winget/${PACKAGE_ID}/${VERSION}")
  file(REMOVE_RECURSE "${out}")
  # The file names winget-pkgs uses for the three types.
  foreach(kind version installer defaultLocale)
    set(suffix "")
    if(kind STREQUAL "installer")
      set(suffix ".installer")
    elseif(kind STREQUAL "defaultLocale")
      set(suffix ".locale.en-US")
    endif()
    configure_file("${CPACK_LUMORA_WINGET_DIR}/${kind}.yaml.in" "${out}/${PACKAGE_ID}${suffix}.yaml"
                   @ONLY NEWLINE_STYLE LF)
  endforeach()
  message(STATUS "Package manager manifest: ${out}")
endforeach()
