# `dist`: the setup program and the portable zip, in ${CMAKE_BINARY_DIR}/dist:
#   BLIMO-<version>-setup.exe     (installer/blimo.nsi, built with makensis)
#   BLIMO-<version>-portable.zip  (BLIMO.exe, the help file, readme.txt)
#   Fenwa.BLIMO*.yaml             (the winget manifest set for the setup program, cmake/Winget.cmake)
# In a 64-bit build tree the setup program is built from the same script for amd64 around the 64-bit
# BLIMO.exe: a stand-in that lets a machine which cannot start 32-bit programs run setup's round trip.
# What ships (`make dist`, from the win32 tree) is the 32-bit setup program.
# The program opens its help file at the fixed path BLIMO_HELP_FILE, so setup installs into that
# path's folder, under that path's file name.
if(NOT BLIMO_HELP_FILE MATCHES "^(.+)\\\\([^\\\\]+)$")
  message(FATAL_ERROR "BLIMO_HELP_FILE must be a Windows path with a folder, as C:\\Program Files\\BLIMO\\blimo.chm")
endif()
set(BLIMO_INSTALL_DIR "${CMAKE_MATCH_1}")
set(BLIMO_HELP_NAME "${CMAKE_MATCH_2}")

find_program(MAKENSIS makensis)
find_program(ZIP zip)
if(NOT MAKENSIS OR NOT ZIP)
  add_custom_target(dist COMMAND ${CMAKE_COMMAND} -E echo "dist needs makensis and zip: run scripts/setup"
    COMMAND ${CMAKE_COMMAND} -E false)
  return()
endif()

set(BLIMO_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(BLIMO_NSIS_TARGET "-XTarget amd64-unicode")
else()
  set(BLIMO_NSIS_TARGET "-XTarget x86-unicode")
endif()
set(BLIMO_SETUP ${BLIMO_DIST_DIR}/BLIMO-${BLIMO_VERSION}-setup.exe)
set(BLIMO_PORTABLE ${BLIMO_DIST_DIR}/BLIMO-${BLIMO_VERSION}-portable.zip)
set(BLIMO_CHM ${CMAKE_BINARY_DIR}/blimo.chm)  # built by cmake/Help.cmake
set(BLIMO_PORTABLE_DIR ${CMAKE_BINARY_DIR}/dist-portable)

configure_file(installer/readme.txt.in ${BLIMO_PORTABLE_DIR}/readme.txt @ONLY NEWLINE_STYLE CRLF)

add_custom_command(OUTPUT ${BLIMO_SETUP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BLIMO_DIST_DIR}
  COMMAND ${MAKENSIS} -V2 -WX ${BLIMO_NSIS_TARGET}
    "-DVERSION=${BLIMO_VERSION}"
    "-DINSTALL_DIR=${BLIMO_INSTALL_DIR}"
    "-DHELP_NAME=${BLIMO_HELP_NAME}"
    "-DEXE_FILE=$<TARGET_FILE:BLIMO>"
    "-DCHM_FILE=${BLIMO_CHM}"
    "-DICON_FILE=${CMAKE_SOURCE_DIR}/res/on.ico"
    "-DHOME_URL=${BLIMO_HOME_URL}"
    "-DOUT_FILE=${BLIMO_SETUP}"
    ${CMAKE_SOURCE_DIR}/installer/blimo.nsi
  DEPENDS BLIMO ${BLIMO_CHM} ${CMAKE_SOURCE_DIR}/installer/blimo.nsi ${CMAKE_SOURCE_DIR}/res/on.ico
  COMMENT "Building ${BLIMO_SETUP}"
  VERBATIM)

# The zip holds the files flat, the help file under the name the program looks for.
add_custom_command(OUTPUT ${BLIMO_PORTABLE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BLIMO_DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:BLIMO> ${BLIMO_PORTABLE_DIR}/BLIMO.exe
  COMMAND ${CMAKE_COMMAND} -E copy ${BLIMO_CHM} ${BLIMO_PORTABLE_DIR}/${BLIMO_HELP_NAME}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${BLIMO_PORTABLE}
  COMMAND ${ZIP} -q -X ${BLIMO_PORTABLE} BLIMO.exe ${BLIMO_HELP_NAME} readme.txt
  WORKING_DIRECTORY ${BLIMO_PORTABLE_DIR}
  DEPENDS BLIMO ${BLIMO_CHM} ${BLIMO_PORTABLE_DIR}/readme.txt
  COMMENT "Building ${BLIMO_PORTABLE}"
  VERBATIM)

# Package managers install the setup program silently from where it is published.
set(BLIMO_SETUP_URL "https://www.fenwa.example/download/BLIMO-${BLIMO_VERSION}-setup.exe" CACHE STRING
  "Where the setup program is published (the winget manifest's InstallerUrl)")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(BLIMO_WINGET_ARCH x64)
else()
  set(BLIMO_WINGET_ARCH x86)
endif()
set(BLIMO_WINGET ${BLIMO_DIST_DIR}/Fenwa.BLIMO.yaml ${BLIMO_DIST_DIR}/Fenwa.BLIMO.installer.yaml
  ${BLIMO_DIST_DIR}/Fenwa.BLIMO.locale.en-US.yaml)
get_filename_component(BLIMO_SETUP_NAME ${BLIMO_SETUP} NAME)
add_custom_command(OUTPUT ${BLIMO_WINGET}
  COMMAND ${CMAKE_COMMAND} "-DSETUP=${BLIMO_SETUP}" "-DSETUP_NAME=${BLIMO_SETUP_NAME}" "-DVERSION=${BLIMO_VERSION}"
    "-DURL=${BLIMO_SETUP_URL}" "-DARCH=${BLIMO_WINGET_ARCH}" "-DOUT_DIR=${BLIMO_DIST_DIR}"
    -P ${CMAKE_SOURCE_DIR}/cmake/Winget.cmake
  DEPENDS ${BLIMO_SETUP} ${CMAKE_SOURCE_DIR}/cmake/Winget.cmake
  COMMENT "Writing the winget manifests for ${BLIMO_SETUP_NAME}"
  VERBATIM)

add_custom_target(dist DEPENDS ${BLIMO_SETUP} ${BLIMO_PORTABLE} ${BLIMO_WINGET})
if(TARGET blimo_help)
  add_dependencies(dist blimo_help)  # the help file's own rule runs there, once
endif()
