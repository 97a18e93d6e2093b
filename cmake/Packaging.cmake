# The Debian package: `cpack -G DEB` in a build folder makes
# tolvane-sound-converter_VERSION_amd64.deb of what `cmake --install` installs (both programs,
# the desktop entry, MIME types and icons), with the documentation Debian asks every package for
# and the README with its pages.
# Its Depends come from the libraries the programs link (dpkg-shlibdeps).
include(GNUInstallDirs)

set(TOLVANE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tolvane-sound-converter)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/cmake/debian/copyright
        DESTINATION ${TOLVANE_DOC_DIR})
# The README's links lead to the pages under docs/; they keep their places beside it.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${TOLVANE_DOC_DIR}/docs
        FILES_MATCHING PATTERN "*.md")
# The manual pages name the formats read, from the table of formats (a tool of the build).
set(format_files ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
                 $<TARGET_FILE:tolvane-format-files>)
foreach(page tolvane-convert.1 tolvane-sound-converter.1)
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/debian/${page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/debian
    COMMAND ${format_files} fill ${PROJECT_SOURCE_DIR}/cmake/debian/${page}.in
            ${PROJECT_BINARY_DIR}/debian/${page}
    DEPENDS tolvane-format-files ${PROJECT_SOURCE_DIR}/cmake/debian/${page}.in
    COMMENT "Writing the manual page ${page}")
endforeach()
# So is the package's description, which cpack reads when it makes the package
# (CPackFormats.cmake).
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/debian/description
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/debian
  COMMAND ${format_files} description ${PROJECT_BINARY_DIR}/debian/description
  DEPENDS tolvane-format-files
  COMMENT "Writing the package description")
# Debian keeps a package's change log and manual pages compressed, with gzip's name and time
# left out so that the package builds the same every time.
set(compressed ${PROJECT_BINARY_DIR}/debian/description)
foreach(file changelog tolvane-convert.1 tolvane-sound-converter.1)
  set(output ${PROJECT_BINARY_DIR}/debian/${file}.gz)
  if(file STREQUAL "changelog")
    set(input ${PROJECT_SOURCE_DIR}/cmake/debian/${file})
  else()
    set(input ${PROJECT_BINARY_DIR}/debian/${file})
  endif()
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/debian
    COMMAND gzip -n -9 -c ${input} > ${output}
    DEPENDS ${input}
    COMMENT "Compressing ${file} for the package")
  list(APPEND compressed ${output})
endforeach()
add_custom_target(tolvane_package_docs ALL DEPENDS ${compressed})
install(FILES ${PROJECT_BINARY_DIR}/debian/changelog.gz DESTINATION ${TOLVANE_DOC_DIR})
install(FILES ${PROJECT_BINARY_DIR}/debian/tolvane-convert.1.gz
              ${PROJECT_BINARY_DIR}/debian/tolvane-sound-converter.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolvane-sound-converter)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tolvane Sound Converter developers <tolvane-sound-converter@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converts sample libraries into Tolvane sampler instruments")
# The summary is the synopsis line; the text below it names the formats read, written by the
# build and read when cpack runs.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/CPackFormats.cmake)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Directories the package shares with the system belong to root with the usual modes.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
include(CPack)
