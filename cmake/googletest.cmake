# GoogleTest for the Windows test programs, built once per tree from the
# sources Debian ships, whichever folder asks first.
if(NOT TARGET gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  zge_unoptimised_in_windows_trees(gtest)
  zge_unoptimised_in_windows_trees(gtest_main)
endif()
include(GoogleTest)
