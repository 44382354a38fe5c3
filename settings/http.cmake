# Online version check: the blocking GET through libcurl, opened with dlopen when the user asks
# (no build or link dependency on it), and the messages it leads to.
# Included from this folder's CMakeLists.txt.

get_filename_component(MG_HTTP_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
add_library(mg_http STATIC ${CMAKE_CURRENT_LIST_DIR}/http.cpp ${CMAKE_CURRENT_LIST_DIR}/http.h
  ${CMAKE_CURRENT_LIST_DIR}/curl_library.cpp ${CMAKE_CURRENT_LIST_DIR}/curl_library.h)
target_include_directories(mg_http PUBLIC ${MG_HTTP_ROOT})
target_link_libraries(mg_http PUBLIC mg_descriptor PRIVATE ${CMAKE_DL_LIBS})
