# find_package(ZelkanGE): the imported target ZelkanGE::ZelkanGE for the
# consumer's bitness (x86 or x64) and toolchain (MSVC's ZelkanGE.lib, or
# MinGW's libZelkanGE.dll.a; clang-cl counts as MSVC), with the header's
# folder as its include directory. Also sets
#   ZelkanGE_STANDIN_EXECUTABLE  the stand-in Earth server of that bitness
#   ZelkanGE_ARCH                x86 or x64
# Copy the DLL beside the host's executable, for instance with
#   add_custom_command(TARGET host POST_BUILD COMMAND ${CMAKE_COMMAND} -E copy
#     $<TARGET_RUNTIME_DLLS:host> $<TARGET_FILE_DIR:host> COMMAND_EXPAND_LISTS)
get_filename_component(_zge_root "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(NOT WIN32)
  set(ZelkanGE_FOUND FALSE)
  set(ZelkanGE_NOT_FOUND_MESSAGE "ZelkanGE is a Windows DLL: configure a Windows build")
  return()
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(ZelkanGE_ARCH x64)
elseif(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(ZelkanGE_ARCH x86)
else()
  set(ZelkanGE_FOUND FALSE)
  set(ZelkanGE_NOT_FOUND_MESSAGE
      "ZelkanGE: enable the C or CXX language before find_package: the pointer size is unknown")
  return()
endif()

if(MSVC OR CMAKE_C_SIMULATE_ID STREQUAL "MSVC" OR CMAKE_CXX_SIMULATE_ID STREQUAL "MSVC")
  set(_zge_implib "${_zge_root}/lib/${ZelkanGE_ARCH}/ZelkanGE.lib")
else()
  set(_zge_implib "${_zge_root}/lib/${ZelkanGE_ARCH}/libZelkanGE.dll.a")
endif()
set(_zge_dll "${_zge_root}/bin/${ZelkanGE_ARCH}/ZelkanGE.dll")
foreach(_zge_file IN ITEMS "${_zge_dll}" "${_zge_implib}" "${_zge_root}/include/zelkange.h")
  if(NOT EXISTS "${_zge_file}")
    set(ZelkanGE_FOUND FALSE)
    set(ZelkanGE_NOT_FOUND_MESSAGE "ZelkanGE: the package lacks ${_zge_file}")
    return()
  endif()
endforeach()

if(NOT TARGET ZelkanGE::ZelkanGE)
  add_library(ZelkanGE::ZelkanGE SHARED IMPORTED)
  set_target_properties(ZelkanGE::ZelkanGE PROPERTIES
    IMPORTED_LOCATION "${_zge_dll}"
    IMPORTED_IMPLIB "${_zge_implib}"
    INTERFACE_INCLUDE_DIRECTORIES "${_zge_root}/include")
endif()
set(ZelkanGE_STANDIN_EXECUTABLE "${_zge_root}/bin/${ZelkanGE_ARCH}/EarthStandIn.exe")

unset(_zge_root)
unset(_zge_implib)
unset(_zge_dll)
unset(_zge_file)
