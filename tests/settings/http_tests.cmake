# The version check against a loopback server started by each case.
find_package(Threads REQUIRED)
mg_add_gtest(test_http SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_http.cpp
             LIBS mg_http Threads::Threads LABELS settings)
