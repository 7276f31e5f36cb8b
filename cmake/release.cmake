# Release settings, included by the top-level CMakeLists.txt before any target.
#
# Reproducible: two builds of the same sources in different folders give the same
# bytes. Object files name no build path, archives carry no dates (binutils'
# default), and the PE time stamp is 0, or SOURCE_DATE_EPOCH when that is set
# where CMake is configured (it is kept in the cache for later builds).
#
# Small: the Installer's own code (marvane_small_code) is optimised hardest for
# size (-Oz) in the MinSizeRel build and leaves out identification strings and,
# on i686 where nothing needs them without exceptions, unwind tables. Its programs
# (marvane_small_program) also take their start-up code, C library and printf
# family from runtime/, which saves some 30 KB over the toolchain's and leaves
# them without a C run-time DLL. Their code is optimised across files at link
# time as well (LTO, some 1.3 KB smaller); the objects keep their ordinary code
# too (fat LTO objects), so that the tests can link the same library without it.

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(MARVANE_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}" CACHE STRING
      "PE time stamp in seconds since 1970; empty writes 0" FORCE)
else()
  set(MARVANE_SOURCE_DATE_EPOCH "" CACHE STRING "PE time stamp in seconds since 1970; empty writes 0")
endif()
if(MARVANE_SOURCE_DATE_EPOCH STREQUAL "")
  add_link_options(-Wl,--no-insert-timestamp)
else()
  if(NOT MARVANE_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH must be a number of seconds: '${MARVANE_SOURCE_DATE_EPOCH}'")
  endif()
  # The linker reads the variable itself, at link time.
  add_link_options(-Wl,--insert-timestamp)
  set_property(GLOBAL PROPERTY RULE_LAUNCH_LINK
    "${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${MARVANE_SOURCE_DATE_EPOCH}")
endif()

# The last matching map wins: the build tree may lie inside the source tree.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=build/)

set(MARVANE_SMALL_OPTIONS -fno-exceptions -fno-rtti -fno-ident
    # With -fdata-sections this compiler puts zero-filled variables in .data,
    # where they take room in the file; without it they stay in .bss.
    -fno-data-sections
    # Across the whole program at link time: inline only what is small (the rest
    # is called, not copied), and track what pointers point to (some 200 bytes
    # of setup.exe between them).
    -finline-limit=10 -fipa-pta
    # Data at the alignment the ABI asks for: by default this compiler puts arrays
    # of 32 bytes or more on 32-byte boundaries, and pads the read-only data and
    # the file table for it (some 100 bytes of setup.exe).
    -malign-data=abi)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # On x86_64 the unwind tables are the platform's own (SEH), so they stay.
  list(APPEND MARVANE_SMALL_OPTIONS -fno-asynchronous-unwind-tables -fno-unwind-tables)
  # 32-bit Windows keeps the stack 4-byte aligned, and this code has no use for
  # more (no SSE): aligning every call to 16 bytes only pads it. And for stack
  # probes this compiler keeps every outgoing argument in a reserved block
  # instead of pushing it, which costs some 2 KB. Probes are only needed by a
  # frame that could step over the stack's guard page, i.e. one of a page or
  # more: the build refuses such a frame instead (the call that enters a frame
  # touches the page below the one before it, so frames under a page are safe).
  list(APPEND MARVANE_SMALL_OPTIONS -mpreferred-stack-boundary=2 -mno-stack-arg-probe
       -Werror=frame-larger-than=4000)
  # This toolchain keeps a frame pointer on i686 unless told otherwise; without
  # unwind tables nothing here walks frames, and the register saves some 500 bytes.
  list(APPEND MARVANE_SMALL_OPTIONS -fomit-frame-pointer)
endif()

# Compile options for the Installer's own code.
function(marvane_small_code target)
  target_compile_options(${target} PRIVATE ${MARVANE_SMALL_OPTIONS} -flto -ffat-lto-objects
                         $<$<CONFIG:MinSizeRel>:-Oz>)
endfunction()

# A Windows program of the product: runtime/'s entry point, C library and printf
# family in place of the toolchain's, stripped, and nothing but system DLLs
# imported: no C run-time DLL (retail Windows 95 has none), no thread-local
# storage directory. -nostdlib leaves every library of the toolchain out, so a
# function the programs need from a C library has to come from runtime/ or the
# link fails; libgcc (static) stays for 64-bit arithmetic on i686 and the stack
# probes of x86_64. Nothing applies run-time pseudo relocations either: a link that
# needs them fails on the missing _pei386_runtime_relocator.
#
# On i686 the link also pins what the loader checks: the programs need Windows 4.0
# (Windows 95, NT 4.0) and nothing later, whatever this linker's default is.
# Their sections are merged where that costs nothing (cmake/merge-sections.cmake).
set(MARVANE_LINKER_SCRIPT ${CMAKE_BINARY_DIR}/merged-sections.x)
execute_process(COMMAND ${CMAKE_COMMAND} -DLINKER=${CMAKE_LINKER} -DPOINTER_BYTES=${CMAKE_SIZEOF_VOID_P}
                        -DOUT=${MARVANE_LINKER_SCRIPT}
                        -P ${CMAKE_CURRENT_LIST_DIR}/merge-sections.cmake
                RESULT_VARIABLE merge_rc)
if(NOT merge_rc EQUAL 0)
  message(FATAL_ERROR "Could not write the linker script ${MARVANE_LINKER_SCRIPT}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/merge-sections.cmake)

function(marvane_small_program target)
  marvane_small_code(${target})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(entry _WinMainCRTStartup)
    target_link_options(${target} PRIVATE
      -Wl,--major-os-version,4,--minor-os-version,0
      -Wl,--major-subsystem-version,4,--minor-subsystem-version,0)
  else()
    set(entry WinMainCRTStartup)
  endif()
  target_link_libraries(${target} PRIVATE marvane_crt ${MARVANE_WIN_LIBS} gcc)
  # The code is generated at link time: the link takes the same options.
  target_link_options(${target} PRIVATE -nostdlib -Wl,-e,${entry} -s -flto ${MARVANE_SMALL_OPTIONS}
                      $<$<CONFIG:MinSizeRel>:-Oz> -Wl,-T,${MARVANE_LINKER_SCRIPT})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${MARVANE_LINKER_SCRIPT})
  # The linker's DOS program takes the headers over one 512-byte block: it goes
  # (tools/dosstub.h). Before anything else reads the file (size report, signing).
  add_dependencies(${target} host_tools)
  add_custom_command(TARGET ${target} POST_BUILD COMMAND ${HOST_PEHEADERS} $<TARGET_FILE:${target}> VERBATIM)
endfunction()

# Prints where the bytes of setup.exe go and its own size (without the payload)
# after each link; the budget applies to the 32-bit program. The target size-check
# (a release check) runs the report again and fails when the size is over it.
set(MARVANE_SIZE_BUDGET 35328 CACHE STRING "Size budget of the Installer's own part of setup.exe, in bytes")
if(NOT MARVANE_SIZE_BUDGET MATCHES "^[0-9]+$")
  message(FATAL_ERROR "MARVANE_SIZE_BUDGET must be a number of bytes: '${MARVANE_SIZE_BUDGET}'")
endif()
set(HOST_PESIZE ${MARVANE_HOST_DIR}/pesize)
set(HOST_PEHEADERS ${MARVANE_HOST_DIR}/peheaders)
function(marvane_size_report target)
  set(args)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(args --budget ${MARVANE_SIZE_BUDGET})
  endif()
  add_dependencies(${target} host_tools)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${HOST_PESIZE} $<TARGET_FILE:${target}> ${args}
    VERBATIM)
  if(args)
    add_custom_target(size-check
      COMMAND ${HOST_PESIZE} $<TARGET_FILE:${target}> ${args} --fail-over-budget
      VERBATIM)
  else()
    add_custom_target(size-check
      COMMAND ${CMAKE_COMMAND} -E echo "size-check: the budget applies to the 32-bit build"
      COMMAND ${CMAKE_COMMAND} -E false
      VERBATIM)
  endif()
  add_dependencies(size-check ${target})
endfunction()

add_subdirectory(${CMAKE_SOURCE_DIR}/runtime ${CMAKE_BINARY_DIR}/runtime)
