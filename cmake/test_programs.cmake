# The build settings of the test programs. Most of their compile time is
# spent on what every test file includes (GoogleTest, <windows.h>, the
# standard library) and on code generation for GoogleTest's macros, not on
# the tests themselves. So:
#   - their files are compiled in batches (a unity build), which parses the
#     shared headers once a batch and instantiates each template once;
#   - in the optimised Windows trees they are compiled without optimisation:
#     what they test (the DLL, the stand-in, the adapters) keeps the tree's
#     optimisation, and the tests' own code is waiting and comparing;
#   - in the sanitized native tree their own files are not instrumented:
#     the core, the fakes and the stand-in's portable library they call
#     are, and the sanitizers' runtime is linked in whole, so the code
#     under test is checked as before (the tests' own locals are not),
#     while the tests' tables of strings compile in half the time.
# ZGE_UNITY_TESTS=OFF compiles each file alone (with a precompiled header
# instead), so that a change to one test file recompiles only that file.
option(ZGE_UNITY_TESTS "Compile each test program's files in batches" ON)
set(ZGE_UNITY_BATCH 8 CACHE STRING "Test files per unity batch")

# zge_test_program(<target> [GTEST] [WINDOWS]): the options are those of
# zge_precompile_headers, used when the files are compiled one by one.
function(zge_test_program target)
  if(ZGE_UNITY_TESTS)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON
                                               UNITY_BUILD_BATCH_SIZE ${ZGE_UNITY_BATCH})
  else()
    zge_precompile_headers(${target} ${ARGN})
  endif()
  zge_unoptimised_in_windows_trees(${target})
  if(ZGE_SANITIZE)
    target_compile_options(${target} PRIVATE -fno-sanitize=all)
  endif()
endfunction()

# GoogleTest itself is test code too.
function(zge_unoptimised_in_windows_trees target)
  if(WIN32 AND CMAKE_BUILD_TYPE MATCHES "Rel")
    target_compile_options(${target} PRIVATE -O0)
  endif()
endfunction()
