# Windows builds link the runtime statically: nothing to ship beside the DLL
# and EXEs, and LoadLibrary finds no runtime DLLs beside a DLL anyway.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE _WIN32_WINNT=0x0601)
add_link_options(-static -static-libgcc -static-libstdc++)
# Line tables and function names, enough for Wine's backtraces; the full
# debug information of -g made every compile and link slower and the SDK
# strips it anyway.
string(REPLACE "-g" "-g1" CMAKE_CXX_FLAGS_RELWITHDEBINFO "${CMAKE_CXX_FLAGS_RELWITHDEBINFO}")
string(REPLACE "-g" "-g1" CMAKE_C_FLAGS_RELWITHDEBINFO "${CMAKE_C_FLAGS_RELWITHDEBINFO}")

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(ZGE_WIN_ARCH i386)
else()
  set(ZGE_WIN_ARCH x86_64)
endif()
