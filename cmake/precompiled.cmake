# Precompiled headers for the targets with many translation units: the
# test programs. Parsing GoogleTest, <windows.h> and the
# standard library is about half of each of their compilations. Not used
# for the package's and the stand-in's libraries, whose compile commands
# clang-tidy reads.
#   GTEST    GoogleTest too
#   WINDOWS  <windows.h> too: only for targets whose every file may see its
#            macros (CreateDirectory, DeleteFile), since a file of the
#            core compiled without them would name its methods otherwise
function(zge_precompile_headers target)
  cmake_parse_arguments(arg "GTEST;WINDOWS" "" "" ${ARGN})
  set(headers
    <algorithm> <chrono> <cstdint> <filesystem> <functional> <map> <memory>
    <optional> <sstream> <string> <string_view> <vector>)
  if(arg_WINDOWS AND WIN32)
    list(PREPEND headers <windows.h>)
  endif()
  if(arg_GTEST)
    list(APPEND headers <gtest/gtest.h>)
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
  # GCC 12 checks the code it inlines from a precompiled header as if the
  # system headers were the program's own, and its middle-end checks of
  # copies (-Warray-bounds, -Wstringop-*) then report std::string's and
  # mingw's wmemcpy's copies: false positives the same files never raise
  # without the header. The package's DLL and the demo keep the warnings.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-array-bounds -Wno-stringop-overread
                                             -Wno-stringop-overflow)
  endif()
endfunction()
