# Code signing with osslsigncode (Authenticode, SHA-256).
#
# Off unless a certificate is configured:
#   -DMARVANE_SIGN_CERT=<cert.pem> -DMARVANE_SIGN_KEY=<key.pem>   PEM certificate (chain) and key
#   -DMARVANE_SIGN_CERT=<bundle.pfx|.p12>                          or a PKCS#12 bundle
#   -DMARVANE_SIGN_PASS_FILE=<file>                                password of the key or bundle,
#                                                                  read from a file so that it
#                                                                  appears in no command line
# marvane_sign(<target>...) signs each target's file right after it is linked, so
# that whatever takes the file later (the payload packer, the tests) gets the signed
# bytes. With SOURCE_DATE_EPOCH the signing time is fixed and the signed file is
# the same on every build; without it osslsigncode takes the current time.
#
# The same file is the signing step's script:
#   cmake -DFILE=<pe> -DTOOL=<osslsigncode> -DCERT=... [-DKEY=...] [-DPASS_FILE=...]
#         [-DTIME=<unix time>] [-DDESC=<text>] -P signing.cmake

if(CMAKE_SCRIPT_MODE_FILE)
  foreach(v FILE TOOL CERT)
    if(NOT DEFINED ${v} OR "${${v}}" STREQUAL "")
      message(FATAL_ERROR "signing: ${v} not given")
    endif()
  endforeach()
  if(CERT MATCHES "\\.(pfx|p12)$")
    set(credentials -pkcs12 "${CERT}")
  else()
    set(credentials -certs "${CERT}" -key "${KEY}")
  endif()
  if(PASS_FILE)
    list(APPEND credentials -readpass "${PASS_FILE}")
  endif()
  set(extra)
  if(TIME)
    list(APPEND extra -time "${TIME}")
  endif()
  if(DESC)
    list(APPEND extra -n "${DESC}")
  endif()
  set(signed "${FILE}.signed")
  file(REMOVE "${signed}")
  execute_process(COMMAND "${TOOL}" sign ${credentials} -h sha256 ${extra} -in "${FILE}" -out "${signed}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0 OR NOT EXISTS "${signed}")
    # The unsigned file goes too: a later build links it again instead of taking
    # it for done, and nothing unsigned is packed or shipped in its place.
    file(REMOVE "${signed}" "${FILE}")
    message(FATAL_ERROR "Signing ${FILE} failed:\n${out}")
  endif()
  file(RENAME "${signed}" "${FILE}")
  return()
endif()

set(MARVANE_SIGN_CERT "" CACHE FILEPATH "Code-signing certificate (PEM, with MARVANE_SIGN_KEY) or PKCS#12 bundle (.pfx, .p12); empty signs nothing")
set(MARVANE_SIGN_KEY "" CACHE FILEPATH "Private key (PEM) of MARVANE_SIGN_CERT")
set(MARVANE_SIGN_PASS_FILE "" CACHE FILEPATH "File holding the password of the key or bundle; empty when it has none")
set(MARVANE_SIGN_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

set(MARVANE_SIGN_ARGS)
if(MARVANE_SIGN_CERT)
  find_program(MARVANE_OSSLSIGNCODE osslsigncode)
  if(NOT MARVANE_OSSLSIGNCODE)
    message(FATAL_ERROR "MARVANE_SIGN_CERT is set but osslsigncode is not installed (tools/install-deps.sh)")
  endif()
  set(sign_inputs ${MARVANE_SIGN_CERT})
  if(NOT MARVANE_SIGN_CERT MATCHES "\\.(pfx|p12)$")
    if(NOT MARVANE_SIGN_KEY)
      message(FATAL_ERROR "MARVANE_SIGN_CERT is a PEM certificate: MARVANE_SIGN_KEY must name its key")
    endif()
    list(APPEND sign_inputs ${MARVANE_SIGN_KEY})
  endif()
  if(MARVANE_SIGN_PASS_FILE)
    list(APPEND sign_inputs ${MARVANE_SIGN_PASS_FILE})
  endif()
  foreach(f IN LISTS sign_inputs)
    if(NOT EXISTS ${f} OR IS_DIRECTORY ${f})
      message(FATAL_ERROR "Signing: no such file: ${f}")
    endif()
  endforeach()
  # The signing time: the release's SOURCE_DATE_EPOCH (cmake/release.cmake keeps it).
  if(DEFINED MARVANE_SOURCE_DATE_EPOCH)
    set(sign_time "${MARVANE_SOURCE_DATE_EPOCH}")
  else()
    set(sign_time "$ENV{SOURCE_DATE_EPOCH}")
  endif()
  set(MARVANE_SIGN_ARGS -DTOOL=${MARVANE_OSSLSIGNCODE} -DCERT=${MARVANE_SIGN_CERT} -DKEY=${MARVANE_SIGN_KEY}
      -DPASS_FILE=${MARVANE_SIGN_PASS_FILE} -DTIME=${sign_time})
  set(MARVANE_SIGN_INPUTS ${sign_inputs})
  message(STATUS "Signing with ${MARVANE_SIGN_CERT}")
endif()

# What a signed file depends on besides its objects: a change of the signing
# settings (on, off, other certificate or time) links and signs it again.
set(MARVANE_SIGN_STAMP ${CMAKE_BINARY_DIR}/signing.txt)
file(CONFIGURE OUTPUT ${MARVANE_SIGN_STAMP} CONTENT "${MARVANE_SIGN_ARGS}\n" @ONLY)

# Signs each target's file after every link; `DESCRIPTION text` names the program
# in the signature. Does nothing without a certificate. Call it after the target's
# other POST_BUILD steps (they see the file as linked).
function(marvane_sign)
  cmake_parse_arguments(S "" "DESCRIPTION" "" ${ARGN})
  foreach(target IN LISTS S_UNPARSED_ARGUMENTS)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${MARVANE_SIGN_STAMP} ${MARVANE_SIGN_INPUTS})
    if(NOT MARVANE_SIGN_ARGS)
      continue()
    endif()
    set(desc)
    if(S_DESCRIPTION)
      set(desc "-DDESC=${S_DESCRIPTION}")
    endif()
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:${target}> ${MARVANE_SIGN_ARGS} ${desc}
              -P ${MARVANE_SIGN_SCRIPT}
      COMMENT "Signing $<TARGET_FILE_NAME:${target}>"
      VERBATIM)
  endforeach()
endfunction()
