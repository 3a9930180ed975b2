# XmlLite's import library, for every target of a Windows tree that reads
# XML (the stand-in's KML, the demo host's GPX). mingw-w64 ships xmllite.h
# but no import library, so one is made at build time from Wine's
# xmllite.dll of the target's bitness (gendef lists its exports; dlltool
# writes the library; -k drops the stdcall decoration of the 32-bit names,
# as the DLL exports them plain). Link the imported target zge_xmllite.
if(NOT TARGET zge_xmllite)
  find_program(ZGE_GENDEF gendef REQUIRED)
  set(zge_xmllite_def ${CMAKE_BINARY_DIR}/xmllite/xmllite.def)
  set(zge_xmllite_lib ${CMAKE_BINARY_DIR}/xmllite/libxmllite.a)
  set(zge_dlltool_flags)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(zge_dlltool_flags -k)
  endif()
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/xmllite)
  add_custom_command(
    OUTPUT ${zge_xmllite_lib}
    COMMAND sh -c "\"$0\" - \"$1\" > \"$2\"" ${ZGE_GENDEF} ${ZGE_WINE_DLL_DIR}/xmllite.dll
            ${zge_xmllite_def}
    COMMAND ${CMAKE_DLLTOOL} ${zge_dlltool_flags} -d ${zge_xmllite_def} -l ${zge_xmllite_lib}
    DEPENDS ${ZGE_WINE_DLL_DIR}/xmllite.dll
    COMMENT "Making the XmlLite import library from Wine's xmllite.dll"
    VERBATIM)
  add_custom_target(zge_xmllite_implib DEPENDS ${zge_xmllite_lib})
  add_library(zge_xmllite STATIC IMPORTED GLOBAL)
  set_target_properties(zge_xmllite PROPERTIES IMPORTED_LOCATION ${zge_xmllite_lib})
  add_dependencies(zge_xmllite zge_xmllite_implib)
endif()
