# The SDK a host developer unpacks (make sdk, tools/sdk.sh): the header, the
# DLL and the stand-in of this tree's bitness, import libraries for MinGW and
# MSVC, a CMake package, the Pascal unit, documentation, examples and the
# licences of what is shipped. Everything is installed as the component
# "sdk"; tools/sdk.sh packs the win32 and win64 trees into one ZIP with
# CPack, and the files both trees install are the same.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(ZGE_SDK_ARCH x86)
else()
  set(ZGE_SDK_ARCH x64)
endif()
set(zge_sdk_dir ${CMAKE_BINARY_DIR}/sdk)
set(zge_sdk_libs ${zge_sdk_dir}/lib/${ZGE_SDK_ARCH})
set(zge_def ${ZGE_EXPORTS_DEF})

find_program(ZGE_LLVM_DLLTOOL llvm-dlltool)
add_custom_command(
  OUTPUT ${zge_sdk_libs}/ZelkanGE.lib ${zge_sdk_libs}/libZelkanGE.dll.a
  COMMAND ${CMAKE_COMMAND} -E env LLVM_DLLTOOL=${ZGE_LLVM_DLLTOOL}
          ${PROJECT_SOURCE_DIR}/tools/sdk-import-libs.sh ${ZGE_SDK_ARCH} ${zge_def} ${zge_sdk_libs}
          $<TARGET_OBJECTS:ZelkanGE>
  DEPENDS ZelkanGE ${zge_def} ${PROJECT_SOURCE_DIR}/tools/sdk-import-libs.sh
  COMMENT "Import libraries of ZelkanGE.dll (${ZGE_SDK_ARCH})"
  COMMAND_EXPAND_LISTS VERBATIM)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(
  OUTPUT ${zge_sdk_dir}/docs/reference.md
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/sdk-reference.py
          ${PROJECT_SOURCE_DIR}/include/zelkange.h ${zge_sdk_dir}/docs/reference.md
  DEPENDS ${PROJECT_SOURCE_DIR}/include/zelkange.h ${PROJECT_SOURCE_DIR}/tools/sdk-reference.py
  COMMENT "Header reference" VERBATIM)

include(CMakePackageConfigHelpers)
# One package serves both bitnesses: the config picks the consumer's.
write_basic_package_version_file(${zge_sdk_dir}/ZelkanGEConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion ARCH_INDEPENDENT)

# Not part of the default build: only the SDK needs llvm-dlltool and Python.
add_custom_target(zge_sdk
  DEPENDS ZelkanGE EarthStandIn ${zge_sdk_libs}/ZelkanGE.lib ${zge_sdk_libs}/libZelkanGE.dll.a
          ${zge_sdk_dir}/docs/reference.md)

set(zge_sdk_src ${PROJECT_SOURCE_DIR}/sdk)
install(FILES ${PROJECT_SOURCE_DIR}/include/zelkange.h DESTINATION include COMPONENT sdk)
# Installed as targets so that CPack strips them (CPACK_STRIP_FILES): the
# build's debug information is ten times the code. The linker's own import
# library goes to a component nobody packs; the SDK's are made from the .def.
install(TARGETS ZelkanGE EarthStandIn
        RUNTIME DESTINATION bin/${ZGE_SDK_ARCH} COMPONENT sdk
        ARCHIVE DESTINATION unpacked COMPONENT zge_linker_output EXCLUDE_FROM_ALL)
install(FILES ${zge_sdk_libs}/ZelkanGE.lib ${zge_sdk_libs}/libZelkanGE.dll.a
        DESTINATION lib/${ZGE_SDK_ARCH} COMPONENT sdk)
install(FILES ${zge_sdk_src}/cmake/ZelkanGEConfig.cmake ${zge_sdk_dir}/ZelkanGEConfigVersion.cmake
        DESTINATION lib/cmake/ZelkanGE COMPONENT sdk)
install(FILES ${zge_sdk_src}/pascal/zelkange.pas DESTINATION pascal COMPONENT sdk)
install(DIRECTORY ${zge_sdk_src}/docs/ DESTINATION docs COMPONENT sdk)
install(FILES ${zge_sdk_dir}/docs/reference.md DESTINATION docs COMPONENT sdk)
install(FILES ${PROJECT_SOURCE_DIR}/standin/README.md DESTINATION docs
        RENAME EarthStandIn.md COMPONENT sdk)
install(DIRECTORY ${zge_sdk_src}/examples/ DESTINATION examples COMPONENT sdk)
install(FILES ${zge_sdk_src}/README.md DESTINATION . COMPONENT sdk)
# The licences: ours for the coastline data and a summary, Debian's
# copyright files for what the stand-in and the runtime bring along.
install(DIRECTORY ${zge_sdk_src}/licences/ DESTINATION licences COMPONENT sdk)
foreach(zge_pair IN ITEMS "xplanet-images;blue-marble" "libz-mingw-w64-dev;zlib"
                          "mingw-w64-common;mingw-w64-runtime" "gcc-mingw-w64-base;gcc-runtime")
  list(GET zge_pair 0 zge_package)
  list(GET zge_pair 1 zge_name)
  install(FILES /usr/share/doc/${zge_package}/copyright DESTINATION licences
          RENAME ${zge_name}.txt COMPONENT sdk)
endforeach()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ZelkanGE)
set(CPACK_PACKAGE_VENDOR ZelkanGE)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ZelkanGE-${PROJECT_VERSION}-sdk)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};ZelkanGE;sdk;/")
set(CPACK_STRIP_FILES TRUE)
include(CPack)
