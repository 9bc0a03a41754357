# The HTML Help file, built from help/ with chmcmd (Free Pascal's CHM compiler, Debian's fp-utils)
# into the build directory as part of the default build.
find_program(CHMCMD chmcmd REQUIRED)

file(GLOB BLIMO_HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/help/*)
set(BLIMO_CHM ${CMAKE_BINARY_DIR}/blimo.chm)

# chmcmd writes the compiled file into its working directory and reads the sources next to the
# project file. It does not fail on every error, so the build fails when the output is missing (sha256sum needs it).
add_custom_command(
  OUTPUT ${BLIMO_CHM}
  COMMAND ${CMAKE_COMMAND} -E remove -f ${BLIMO_CHM}
  COMMAND ${CHMCMD} --no-html-scan --verbosity 1 ${CMAKE_SOURCE_DIR}/help/blimo.hhp
  COMMAND ${CMAKE_COMMAND} -E sha256sum ${BLIMO_CHM}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS ${BLIMO_HELP_SOURCES}
  COMMENT "Compiling the help file blimo.chm"
  VERBATIM)
add_custom_target(blimo_help ALL DEPENDS ${BLIMO_CHM})
