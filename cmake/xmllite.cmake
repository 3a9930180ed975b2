# XmlLite's import library, for every target of a Windows tree that reads
# XML (the stand-in's KML, the demo host's GPX). mingw-w64 ships xmllite.h
# but no import library, so dlltool makes one at build time from the export
# list kept beside this file (xmllite.def, with the 32-bit decorations). No
# build step reads Wine's own DLLs. Link the imported target zge_xmllite;
# tests/win32/xmllite_imports_test.cpp proves the names against the loader.
if(NOT TARGET zge_xmllite)
  set(zge_xmllite_source_def ${CMAKE_CURRENT_LIST_DIR}/xmllite.def)
  set(zge_xmllite_lib ${CMAKE_BINARY_DIR}/xmllite/libxmllite.a)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # -k: import the plain names the DLL exports through the decorated symbols.
    set(zge_xmllite_def ${zge_xmllite_source_def})
    set(zge_dlltool_flags -k)
  else()
    file(READ ${zge_xmllite_source_def} zge_xmllite_exports)
    string(REGEX REPLACE "@[0-9]+" "" zge_xmllite_exports "${zge_xmllite_exports}")
    set(zge_xmllite_def ${CMAKE_BINARY_DIR}/xmllite/xmllite.def)
    file(CONFIGURE OUTPUT ${zge_xmllite_def} CONTENT "${zge_xmllite_exports}")
    set(zge_dlltool_flags)
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${zge_xmllite_source_def})
  add_custom_command(
    OUTPUT ${zge_xmllite_lib}
    COMMAND ${CMAKE_DLLTOOL} ${zge_dlltool_flags} -d ${zge_xmllite_def} -l ${zge_xmllite_lib}
    DEPENDS ${zge_xmllite_def}
    COMMENT "Making the XmlLite import library from cmake/xmllite.def"
    VERBATIM)
  add_custom_target(zge_xmllite_implib DEPENDS ${zge_xmllite_lib})
  add_library(zge_xmllite STATIC IMPORTED GLOBAL)
  set_target_properties(zge_xmllite PROPERTIES IMPORTED_LOCATION ${zge_xmllite_lib})
  add_dependencies(zge_xmllite zge_xmllite_implib)
endif()
