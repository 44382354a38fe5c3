# mg_format_binding(<name> SOURCES <files...> LIBS <libraries...>)
# A host format's binding: a static library on the frame whose symbols stay inside the
# module that links it, so a module exports its format's entry points and nothing else.
function(mg_format_binding name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC mg_frame ${ARG_LIBS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  mg_lto_library(${name})
endfunction()
