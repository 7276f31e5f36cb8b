# The package manager manifest of setup.exe: build/winget/ holds winget's three
# files (version, default locale, installer) for the finished setup.exe.
#
#   -DMARVANE_DOWNLOAD_URL=https://.../setup.exe   where the release is published
#                                                  (a placeholder until set)
#
# The texts come from host/wingetgen, built from the headers the Installer uses;
# the SHA-256 is taken of setup.exe once it is final: the step depends on the
# setup target, whose own steps (the size report, the signing) run before any
# target that depends on it.
#
# The same file is the step's script:
#   cmake -DSETUP=<setup.exe> -DTOOL=<wingetgen> -DOUT=<dir> -DURL=<url> -DARCH=<x86|x64>
#         -DSTAMP=<file> -P winget.cmake

if(CMAKE_SCRIPT_MODE_FILE)
  foreach(v SETUP TOOL OUT URL ARCH STAMP)
    if(NOT DEFINED ${v} OR "${${v}}" STREQUAL "")
      message(FATAL_ERROR "winget manifest: ${v} not given")
    endif()
  endforeach()
  file(SHA256 "${SETUP}" sha)
  # Files of an earlier identity or version would be submitted with these.
  file(GLOB old "${OUT}/*.yaml")
  if(old)
    file(REMOVE ${old})
  endif()
  file(MAKE_DIRECTORY "${OUT}")
  execute_process(COMMAND "${TOOL}" "${OUT}" "${sha}" "${URL}" "${ARCH}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "winget manifest: ${TOOL} failed (${rc})")
  endif()
  file(TOUCH "${STAMP}")
  return()
endif()

set(MARVANE_DOWNLOAD_URL_PLACEHOLDER "https://placeholder.invalid/set-MARVANE_DOWNLOAD_URL/setup.exe")
set(MARVANE_DOWNLOAD_URL "${MARVANE_DOWNLOAD_URL_PLACEHOLDER}" CACHE STRING
    "Where the release's setup.exe is published (the package manifest's InstallerUrl); the default is a placeholder")
if(NOT MARVANE_DOWNLOAD_URL MATCHES "^https?://[^ \t\"']+$")
  message(FATAL_ERROR "MARVANE_DOWNLOAD_URL must be an http(s):// URL without blanks or quotes: '${MARVANE_DOWNLOAD_URL}'")
endif()
if(MARVANE_DOWNLOAD_URL STREQUAL MARVANE_DOWNLOAD_URL_PLACEHOLDER)
  message(STATUS "Package manifest: InstallerUrl is a placeholder (set MARVANE_DOWNLOAD_URL for a release)")
endif()

set(MARVANE_WINGET_DIR ${CMAKE_BINARY_DIR}/winget)
set(MARVANE_WINGET_SCRIPT ${CMAKE_CURRENT_LIST_FILE})
set(HOST_WINGETGEN ${MARVANE_HOST_DIR}/wingetgen)
# Changes, and so makes the manifest again, only when the URL does.
set(winget_url_file ${MARVANE_GEN_DIR}/download-url.txt)
file(CONFIGURE OUTPUT ${winget_url_file} CONTENT "${MARVANE_DOWNLOAD_URL}\n" @ONLY)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(winget_arch x86)
else()
  set(winget_arch x64)
endif()

set(winget_stamp ${MARVANE_GEN_DIR}/winget.stamp)
add_custom_command(OUTPUT ${winget_stamp}
  COMMAND ${CMAKE_COMMAND} -DSETUP=$<TARGET_FILE:setup> -DTOOL=${HOST_WINGETGEN} -DOUT=${MARVANE_WINGET_DIR}
          -DURL=${MARVANE_DOWNLOAD_URL} -DARCH=${winget_arch} -DSTAMP=${winget_stamp} -P ${MARVANE_WINGET_SCRIPT}
  DEPENDS setup host_tools ${HOST_WINGETGEN} ${winget_url_file} ${MARVANE_WINGET_SCRIPT}
  COMMENT "Writing the package manifest in winget/"
  VERBATIM)
add_custom_target(winget_manifest ALL DEPENDS ${winget_stamp})
