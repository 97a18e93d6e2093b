# Read by cpack as it makes a package: the description the build wrote from the table of
# formats (cmake/Packaging.cmake), beside the package in the build folder.
if(EXISTS "${CPACK_PACKAGE_DIRECTORY}/debian/description")
  file(READ "${CPACK_PACKAGE_DIRECTORY}/debian/description" CPACK_PACKAGE_DESCRIPTION)
else()
  message(FATAL_ERROR "build the project before making its package: no debian/description")
endif()
