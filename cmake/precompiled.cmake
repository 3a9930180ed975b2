# Precompiled headers for the test programs: parsing GoogleTest and the
# standard library is a large part of each of their compilations.
# <windows.h> stays out: its macros (CreateDirectory, DeleteFile) would
# rename the core's methods in files that never include it. Not used for
# the libraries, whose compile commands clang-tidy reads.
function(zge_precompile_headers target)
  cmake_parse_arguments(arg "GTEST" "" "" ${ARGN})
  set(headers
    <algorithm> <chrono> <cstdint> <filesystem> <functional> <map> <memory>
    <optional> <sstream> <string> <string_view> <vector>)
  if(arg_GTEST)
    list(APPEND headers <gtest/gtest.h>)
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
  # GCC 12 checks the code it inlines from a precompiled header as if the
  # system headers were the program's own, and its middle-end checks of
  # copies (-Warray-bounds, -Wstringop-*) then report std::string's and
  # mingw's wmemcpy's copies: false positives the same files never raise
  # without the header. Only the test programs use precompiled headers;
  # the package, the stand-in and the demo keep every warning.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-array-bounds -Wno-stringop-overread
                                             -Wno-stringop-overflow)
  endif()
endfunction()
