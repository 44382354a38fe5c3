# The version check against a loopback server started by each case.
find_package(Threads REQUIRED)
mg_add_gtest(test_http SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_http.cpp
             LIBS mg_http Threads::Threads LABELS settings)

# The same where libcurl cannot be loaded: an empty file stands in for it on the library path.
set(_no_curl ${CMAKE_CURRENT_BINARY_DIR}/no-libcurl)
file(MAKE_DIRECTORY ${_no_curl})
file(TOUCH ${_no_curl}/libcurl.so.4)
add_executable(test_http_without_curl ${CMAKE_CURRENT_LIST_DIR}/test_http_without_curl.cpp)
target_link_libraries(test_http_without_curl PRIVATE mg_http GTest::gtest GTest::gtest_main)
add_test(NAME VersionCheckWithoutLibcurl COMMAND test_http_without_curl)
set_tests_properties(VersionCheckWithoutLibcurl PROPERTIES LABELS settings
  ENVIRONMENT "LD_LIBRARY_PATH=${_no_curl};HOME=${PROJECT_BINARY_DIR}/test-home")
