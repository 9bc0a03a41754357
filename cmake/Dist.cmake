# `dist`: the setup program, the Windows Installer package and the portable zip, in ${CMAKE_BINARY_DIR}/dist:
#   BLIMO-<version>-setup.exe     (installer/blimo.nsi, built with makensis)
#   BLIMO-<version>.msi           (installer/blimo.wxs, built with wixl: cmake/Msi.cmake)
#   BLIMO-<version>-portable.zip  (BLIMO.exe, the help file, readme.txt, the administrative templates)
#   BLIMO.admx, en-US/BLIMO.adml  (the administrative templates for the policies, installer/templates)
#   Fenwa.BLIMO*.yaml             (the winget manifest set for the setup program and the package, cmake/Winget.cmake)
# Signed when a certificate is given: BLIMO_SIGN_PFX (a PKCS#12 file), with BLIMO_SIGN_PASSWORD and
# BLIMO_TIMESTAMP_URL if needed, as CMake cache variables or in the environment. Then the program is signed
# before it is packed, and the setup program, its uninstaller and the package are signed (cmake/Sign.cmake).
# A password given as a cache variable stands in the build's files (the cache, and a file only its owner reads);
# one in the environment is read when signing. Neither is ever on a command line. Without a time-stamp server
# each signing warns: the signature is then valid only until the certificate expires.
# In a 64-bit build tree the setup program and the package are built from the same sources for amd64 around the
# 64-bit BLIMO.exe: stand-ins that let a machine which cannot start 32-bit programs run their round trips.
# What ships (`make dist`, from the win32 tree) is the 32-bit program's.
# The program looks for its help file beside itself under this name first, so every package puts it there.
set(BLIMO_HELP_NAME blimo.chm)
# The package's, for good; the setup program refuses to install where a package with it is installed.
set(BLIMO_UPGRADE_CODE 4ABC7377-F2AF-4056-A764-450D5A6F3124)

find_program(MAKENSIS makensis)
find_program(ZIP zip)
find_program(WIXL wixl)
find_program(OSSLSIGNCODE osslsigncode)
if(NOT "$ENV{BLIMO_SIGN_PFX}" STREQUAL "")  # the environment's certificate, when there is one, wins
  set(BLIMO_SIGN_PFX "$ENV{BLIMO_SIGN_PFX}" CACHE FILEPATH "Certificate and key (PKCS#12) to sign with" FORCE)
endif()
set(BLIMO_SIGN_PFX "" CACHE FILEPATH "Certificate and key (PKCS#12) to sign with; empty: nothing is signed")
if(BLIMO_SIGN_PFX)  # a relative path is taken from the source folder, where `make dist` runs
  file(REAL_PATH "${BLIMO_SIGN_PFX}" BLIMO_SIGN_PFX BASE_DIRECTORY "${CMAKE_SOURCE_DIR}")
endif()
set(BLIMO_SIGN_PASSWORD "" CACHE STRING "The key's password; empty: BLIMO_SIGN_PASSWORD from the environment")
set(BLIMO_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamp server; empty: BLIMO_TIMESTAMP_URL from the environment")
if(NOT MAKENSIS OR NOT ZIP OR NOT WIXL OR (BLIMO_SIGN_PFX AND NOT OSSLSIGNCODE))
  add_custom_target(dist COMMAND ${CMAKE_COMMAND} -E echo
    "dist needs makensis, zip, wixl (and osslsigncode to sign): run scripts/setup"
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

set(BLIMO_TEMPLATES BLIMO.admx en-US/BLIMO.adml)

if(BLIMO_SIGN_PFX)
  # The cache's password reaches osslsigncode in a file only its owner reads, never on a command line (nor in
  # makensis's, which runs the signing of the setup program and its uninstaller).
  set(BLIMO_SIGN_PASSFILE ${CMAKE_BINARY_DIR}/signing/password)
  if(BLIMO_SIGN_PASSWORD STREQUAL "")
    file(REMOVE ${BLIMO_SIGN_PASSFILE})
  else()
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/signing)
    file(CHMOD ${CMAKE_BINARY_DIR}/signing DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    file(WRITE ${BLIMO_SIGN_PASSFILE} "${BLIMO_SIGN_PASSWORD}")
    file(CHMOD ${BLIMO_SIGN_PASSFILE} FILE_PERMISSIONS OWNER_READ OWNER_WRITE)
  endif()
  set(BLIMO_SIGN ${CMAKE_COMMAND} "-DPFX=${BLIMO_SIGN_PFX}" "-DPASSFILE=${BLIMO_SIGN_PASSFILE}"
    "-DURL=${BLIMO_TIMESTAMP_URL}" -P ${CMAKE_SOURCE_DIR}/cmake/Sign.cmake)
  list(JOIN BLIMO_SIGN "\" \"" sign_command)
  set(BLIMO_NSIS_SIGN "-DSIGN_COMMAND=\"${sign_command}\"")  # the setup program and its uninstaller, as made
  set(BLIMO_PACKED_EXE ${CMAKE_BINARY_DIR}/signed/BLIMO.exe)  # the copy that is packed
  set(BLIMO_PACKED_EXE_NAME signed/BLIMO.exe)  # the same, from the build folder
  add_custom_command(OUTPUT ${BLIMO_PACKED_EXE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/signed
    COMMAND ${BLIMO_SIGN} $<TARGET_FILE:BLIMO> ${BLIMO_PACKED_EXE}
    DEPENDS BLIMO ${CMAKE_SOURCE_DIR}/cmake/Sign.cmake
    COMMENT "Signing BLIMO.exe"
    VERBATIM)
else()
  set(BLIMO_NSIS_SIGN)
  set(BLIMO_PACKED_EXE $<TARGET_FILE:BLIMO>)
  set(BLIMO_PACKED_EXE_NAME $<TARGET_FILE_NAME:BLIMO>)
endif()

configure_file(installer/readme.txt.in ${BLIMO_PORTABLE_DIR}/readme.txt @ONLY NEWLINE_STYLE CRLF)

add_custom_command(OUTPUT ${BLIMO_SETUP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BLIMO_DIST_DIR}
  COMMAND ${MAKENSIS} -V2 -WX ${BLIMO_NSIS_TARGET} ${BLIMO_NSIS_SIGN}
    "-DVERSION=${BLIMO_VERSION}"
    "-DPACKAGE_VERSION=${BLIMO_PACKAGE_VERSION}"
    "-DUPGRADE_CODE={${BLIMO_UPGRADE_CODE}}"
    "-DHELP_NAME=${BLIMO_HELP_NAME}"
    "-DEXE_FILE=${BLIMO_PACKED_EXE}"
    "-DCHM_FILE=${BLIMO_CHM}"
    "-DICON_FILE=${CMAKE_SOURCE_DIR}/res/on.ico"
    "-DHOME_URL=${BLIMO_HOME_URL}"
    "-DOUT_FILE=${BLIMO_SETUP}"
    ${CMAKE_SOURCE_DIR}/installer/blimo.nsi
  DEPENDS BLIMO ${BLIMO_PACKED_EXE} ${BLIMO_CHM} ${CMAKE_SOURCE_DIR}/installer/blimo.nsi ${CMAKE_SOURCE_DIR}/res/on.ico
  COMMENT "Building ${BLIMO_SETUP}"
  VERBATIM)

include(cmake/Msi.cmake)
if(BLIMO_SIGN_PFX)
  add_custom_command(OUTPUT ${BLIMO_MSI} APPEND COMMAND ${BLIMO_SIGN} ${BLIMO_MSI})
endif()

# The administrative templates, beside the setup program and in the zip, in the folders Group Policy reads.
set(BLIMO_TEMPLATE_FILES)
foreach(name ${BLIMO_TEMPLATES})
  add_custom_command(OUTPUT ${BLIMO_DIST_DIR}/${name} ${BLIMO_PORTABLE_DIR}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/installer/templates/${name} ${BLIMO_DIST_DIR}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/installer/templates/${name} ${BLIMO_PORTABLE_DIR}/${name}
    DEPENDS ${CMAKE_SOURCE_DIR}/installer/templates/${name}
    VERBATIM)
  list(APPEND BLIMO_TEMPLATE_FILES ${BLIMO_DIST_DIR}/${name} ${BLIMO_PORTABLE_DIR}/${name})
endforeach()

# The zip holds the program, its help file (under the name the program looks for) and readme.txt side by side,
# and the templates as Group Policy's folder holds them.
add_custom_command(OUTPUT ${BLIMO_PORTABLE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BLIMO_DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${BLIMO_PACKED_EXE} ${BLIMO_PORTABLE_DIR}/BLIMO.exe
  COMMAND ${CMAKE_COMMAND} -E copy ${BLIMO_CHM} ${BLIMO_PORTABLE_DIR}/${BLIMO_HELP_NAME}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${BLIMO_PORTABLE}
  COMMAND ${ZIP} -q -X ${BLIMO_PORTABLE} BLIMO.exe ${BLIMO_HELP_NAME} readme.txt ${BLIMO_TEMPLATES}
  WORKING_DIRECTORY ${BLIMO_PORTABLE_DIR}
  DEPENDS BLIMO ${BLIMO_PACKED_EXE} ${BLIMO_CHM} ${BLIMO_PORTABLE_DIR}/readme.txt ${BLIMO_TEMPLATE_FILES}
  COMMENT "Building ${BLIMO_PORTABLE}"
  VERBATIM)

# Package managers install the setup program or the package silently from where they are published.
set(BLIMO_SETUP_URL "https://www.fenwa.example/download/BLIMO-${BLIMO_VERSION}-setup.exe" CACHE STRING
  "Where the setup program is published (the winget manifest's InstallerUrl)")
set(BLIMO_MSI_URL "https://www.fenwa.example/download/BLIMO-${BLIMO_VERSION}.msi" CACHE STRING
  "Where the Windows Installer package is published (the winget manifest's InstallerUrl)")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(BLIMO_WINGET_ARCH x64)
else()
  set(BLIMO_WINGET_ARCH x86)
endif()
set(BLIMO_WINGET ${BLIMO_DIST_DIR}/Fenwa.BLIMO.yaml ${BLIMO_DIST_DIR}/Fenwa.BLIMO.installer.yaml
  ${BLIMO_DIST_DIR}/Fenwa.BLIMO.locale.en-US.yaml)
get_filename_component(BLIMO_SETUP_NAME ${BLIMO_SETUP} NAME)
add_custom_command(OUTPUT ${BLIMO_WINGET}
  COMMAND ${CMAKE_COMMAND} "-DSETUP=${BLIMO_SETUP}" "-DSETUP_NAME=${BLIMO_SETUP_NAME}" "-DVERSION=${BLIMO_PACKAGE_VERSION}"
    "-DURL=${BLIMO_SETUP_URL}" "-DARCH=${BLIMO_WINGET_ARCH}" "-DOUT_DIR=${BLIMO_DIST_DIR}"
    "-DMSI=${BLIMO_MSI}" "-DMSI_URL=${BLIMO_MSI_URL}"
    -P ${CMAKE_SOURCE_DIR}/cmake/Winget.cmake
  DEPENDS ${BLIMO_SETUP} ${BLIMO_MSI} ${CMAKE_SOURCE_DIR}/cmake/Winget.cmake
  COMMENT "Writing the winget manifests for ${BLIMO_SETUP_NAME}"
  VERBATIM)

add_custom_target(dist DEPENDS ${BLIMO_SETUP} ${BLIMO_MSI} ${BLIMO_PORTABLE} ${BLIMO_WINGET} ${BLIMO_TEMPLATE_FILES})
if(TARGET blimo_help)
  add_dependencies(dist blimo_help)  # the help file's own rule runs there, once
endif()
