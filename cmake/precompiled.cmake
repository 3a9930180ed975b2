# Precompiled headers for the programs with many translation units: the
# test programs and the stand-in. Parsing <windows.h>, GoogleTest and the
# standard library is about half of each of their compilations. Not used
# for the package's own libraries, whose compile commands clang-tidy reads.
function(zge_precompile_headers target)
  cmake_parse_arguments(arg "GTEST" "" "" ${ARGN})
  set(headers
    <algorithm> <chrono> <cstdint> <filesystem> <functional> <map> <memory>
    <optional> <sstream> <string> <string_view> <vector>)
  if(WIN32)
    list(PREPEND headers <windows.h>)
  endif()
  if(arg_GTEST)
    list(APPEND headers <gtest/gtest.h>)
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()
