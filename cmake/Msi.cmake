# The Windows Installer package, BLIMO-<version>.msi in ${BLIMO_DIST_DIR}, built with wixl (msitools) from
# installer/blimo.wxs by ${CMAKE_BINARY_DIR}/msi.cmake (made from cmake/msi.cmake.in, which says how). Included by
# cmake/Dist.cmake, which sets BLIMO_DIST_DIR, BLIMO_HELP_NAME and BLIMO_PACKED_EXE(_NAME).
set(BLIMO_MSI ${BLIMO_DIST_DIR}/BLIMO-${BLIMO_VERSION}.msi)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)  # the 64-bit tree's stand-in, as for the setup program
  set(BLIMO_MSI_ARCH x64)
  set(BLIMO_MSI_WIN64 yes)
else()
  set(BLIMO_MSI_ARCH x86)
  set(BLIMO_MSI_WIN64 no)
endif()
configure_file(cmake/msi.cmake.in ${CMAKE_BINARY_DIR}/msi.cmake.configured @ONLY)
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/msi.cmake INPUT ${CMAKE_BINARY_DIR}/msi.cmake.configured)
add_custom_command(OUTPUT ${BLIMO_MSI}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BLIMO_DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -DOUT=${BLIMO_MSI} -P ${CMAKE_BINARY_DIR}/msi.cmake
  DEPENDS BLIMO ${BLIMO_PACKED_EXE} ${BLIMO_CHM} ${CMAKE_SOURCE_DIR}/installer/blimo.wxs ${CMAKE_SOURCE_DIR}/cmake/PackageVersion.cmake
    ${CMAKE_BINARY_DIR}/msi.cmake
  COMMENT "Building ${BLIMO_MSI}"
  VERBATIM)
