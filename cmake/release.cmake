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
# (marvane_small_program) also take their start-up code and printf family from
# runtime/, which saves some 30 KB over the toolchain's: the formatting itself is
# left to the platform's msvcrt.dll. (Link-time optimisation
# would save 2 KB more, but this binutils' ld crashes linking it without the
# toolchain's start-up files.)

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
    -fno-data-sections)
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
endif()

# Compile options for the Installer's own code.
function(marvane_small_code target)
  target_compile_options(${target} PRIVATE ${MARVANE_SMALL_OPTIONS} $<$<CONFIG:MinSizeRel>:-Oz>)
endfunction()

# A Windows program of the product: runtime/'s entry point and printf family in
# place of the toolchain's, stripped. Nothing applies run-time pseudo relocations
# then: a link that needs them fails on the missing _pei386_runtime_relocator.
# (--disable-runtime-pseudo-reloc would say so too, but crashes this ld.)
function(marvane_small_program target)
  marvane_small_code(${target})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(entry _WinMainCRTStartup)
  else()
    set(entry WinMainCRTStartup)
  endif()
  target_link_libraries(${target} PRIVATE marvane_runtime)
  target_link_options(${target} PRIVATE -nostartfiles -Wl,-e,${entry} -s)
endfunction()

# Prints where the bytes of setup.exe go and its own size (without the payload)
# after each link; the budget applies to the 32-bit program. The target size-check
# (a release check) runs the report again and fails when the size is over it.
set(MARVANE_SIZE_BUDGET 32768 CACHE STRING "Size budget of the Installer's own part of setup.exe, in bytes")
if(NOT MARVANE_SIZE_BUDGET MATCHES "^[0-9]+$")
  message(FATAL_ERROR "MARVANE_SIZE_BUDGET must be a number of bytes: '${MARVANE_SIZE_BUDGET}'")
endif()
set(HOST_PESIZE ${MARVANE_HOST_DIR}/pesize)
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
