# The products of the export table (src/dll/exports.table), made at build
# time by tools/exports.py: the DLL's .def, the list the export check
# compares the built DLL with (beside the DLL), and zelkange_exports.h
# (ZGE_FOR_EACH_EXPORT) for the system tests' binding and the fuzzer.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(ZGE_EXPORT_TABLE ${PROJECT_SOURCE_DIR}/src/dll/exports.table)
set(ZGE_EXPORTS_DEF ${PROJECT_BINARY_DIR}/exports/ZelkanGE.def)
set(ZGE_EXPORTS_LIST ${PROJECT_BINARY_DIR}/src/dll/ZelkanGE.exports)
set(ZGE_EXPORTS_HEADER ${PROJECT_BINARY_DIR}/exports/zelkange_exports.h)
add_custom_command(
  OUTPUT ${ZGE_EXPORTS_DEF} ${ZGE_EXPORTS_LIST} ${ZGE_EXPORTS_HEADER}
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/exports.py generate
    ${ZGE_EXPORT_TABLE} ${ZGE_EXPORTS_DEF} ${ZGE_EXPORTS_LIST} ${ZGE_EXPORTS_HEADER}
  DEPENDS ${ZGE_EXPORT_TABLE} ${PROJECT_SOURCE_DIR}/tools/exports.py
  COMMENT "Export table: .def, export list, ZGE_FOR_EACH_EXPORT")
add_custom_target(zge_export_table
  DEPENDS ${ZGE_EXPORTS_DEF} ${ZGE_EXPORTS_LIST} ${ZGE_EXPORTS_HEADER})
# Link it to use zelkange_exports.h.
add_library(zge_exports INTERFACE)
target_include_directories(zge_exports INTERFACE ${PROJECT_BINARY_DIR}/exports)
add_dependencies(zge_exports zge_export_table)
