# GoogleTest, built from its sources by the project that includes this file: the
# cross-built tests (tests/CMakeLists.txt) and the host checks (tests/host).
set(MARVANE_GTEST_DIR /usr/src/googletest CACHE PATH "GoogleTest's source tree (Debian: package googletest)")
if(NOT EXISTS ${MARVANE_GTEST_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "MARVANE_GTEST_DIR: no GoogleTest sources in '${MARVANE_GTEST_DIR}'")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${MARVANE_GTEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
