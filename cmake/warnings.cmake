# Warnings are errors on every target.
option(ZGE_BUILD_TESTS "Build the tests" ON)
option(ZGE_SANITIZE "Build native code with AddressSanitizer and UBSan" OFF)

add_library(zge_warnings INTERFACE)
target_compile_options(zge_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Werror -Wshadow -Wconversion -Wno-sign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Wnull-dereference)

if(ZGE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(ZGE_BUILD_TESTS)
  enable_testing()
endif()
