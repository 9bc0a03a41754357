# BLIMO shows and compares three of its version's four numbers: major, minor and the fourth, the revision
# (1.0.0.2 is "1.02"). Windows Installer compares the first three and ignores the fourth. So the version every
# installer and package manager sees (the package's ProductVersion, Add/Remove Programs' DisplayVersion, the
# winget PackageVersion) is major.minor.revision, and the third number, which nothing shows, must stay 0:
# otherwise two releases that BLIMO shows alike would be two versions to Windows Installer, or the reverse.
#   BlimoPackageVersion(<four numbers> <variable>) sets <variable> to the package's version, or stops with why not.
function(BlimoPackageVersion version out)
  if(NOT version MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "BLIMO_VERSION must be four numbers, as 1.0.0.1 (\"${version}\" is not)")
  endif()
  if(NOT CMAKE_MATCH_3 EQUAL 0)
    message(FATAL_ERROR "BLIMO_VERSION ${version}: the third number must be 0. BLIMO shows the first, second and "
      "fourth (1.0.0.2 is \"1.02\"), Windows Installer the first three: a release differs in the first, second or fourth.")
  endif()
  if(CMAKE_MATCH_1 GREATER 255 OR CMAKE_MATCH_2 GREATER 255 OR CMAKE_MATCH_4 GREATER 65535)
    message(FATAL_ERROR "BLIMO_VERSION ${version}: Windows Installer takes at most 255.255.x.65535")
  endif()
  math(EXPR major "${CMAKE_MATCH_1}")  # no leading zeros: 1.00.0.02 is 1.0.2 to Windows Installer too
  math(EXPR minor "${CMAKE_MATCH_2}")
  math(EXPR revision "${CMAKE_MATCH_4}")
  set(${out} "${major}.${minor}.${revision}" PARENT_SCOPE)
endfunction()
