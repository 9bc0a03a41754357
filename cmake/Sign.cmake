# Run as a script: signs one Windows file (program, setup program, uninstaller, package) with osslsigncode.
#   cmake -DPFX=<certificate and key, PKCS#12> [-DPASSFILE=<file holding the key's password>] [-DURL=<RFC 3161
#         time-stamp server>] -P Sign.cmake FILE [OUT]
# Signs FILE in place, or a signed copy of it into OUT. The password never stands on a command line, where every
# user's process list shows it: osslsigncode reads it from PASSFILE (the build writes the cache variable's there,
# readable by its owner only) or, without one, from its standard input, fed from the environment's
# BLIMO_SIGN_PASSWORD. URL not given: the environment's BLIMO_TIMESTAMP_URL. Fails (and so fails the build) when
# signing fails.
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
  if(CMAKE_ARGV${i} STREQUAL "-P")
    math(EXPR in_index "${i} + 2")
    math(EXPR out_index "${i} + 3")
  endif()
endforeach()
set(in "${CMAKE_ARGV${in_index}}")
set(out "${in}")
if(out_index LESS CMAKE_ARGC)
  set(out "${CMAKE_ARGV${out_index}}")
endif()
if(NOT PFX OR NOT EXISTS "${PFX}" OR NOT EXISTS "${in}")
  message(FATAL_ERROR "Sign.cmake: no certificate file (${PFX}) or no file to sign (${in})")
endif()
if(NOT DEFINED URL OR URL STREQUAL "")
  set(URL "$ENV{BLIMO_TIMESTAMP_URL}")
endif()
set(options -pkcs12 "${PFX}" -h sha256 -n BLIMO)
set(feed)
if(PASSFILE AND EXISTS "${PASSFILE}")
  list(APPEND options -readpass "${PASSFILE}")
elseif(NOT "$ENV{BLIMO_SIGN_PASSWORD}" STREQUAL "")
  set(feed COMMAND sh -c "printf %s \"$BLIMO_SIGN_PASSWORD\"")  # printf is the shell's own: no process shows it
  list(APPEND options -readpass -)
endif()
if(URL STREQUAL "")
  message(WARNING "No time-stamp server (BLIMO_TIMESTAMP_URL): the signature of ${in} is valid only until the "
    "certificate expires.")
else()
  list(APPEND options -ts "${URL}")
endif()
file(REMOVE "${out}.signing")
execute_process(${feed} COMMAND osslsigncode sign ${options} -in "${in}" -out "${out}.signing"
  RESULT_VARIABLE failed OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(failed)
  file(REMOVE "${out}.signing")
  message(FATAL_ERROR "Signing ${in} failed:\n${said}")
endif()
file(RENAME "${out}.signing" "${out}")
