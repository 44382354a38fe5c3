find_package(GTest REQUIRED)
include(GoogleTest)
enable_testing()

# mg_add_gtest(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable; its cases are registered with CTest one by one.
function(mg_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  # Tests never touch the real home: the effect writes its settings file under HOME.
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/test-home)
  set(props ENVIRONMENT "HOME=${PROJECT_BINARY_DIR}/test-home")
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()

# mg_add_fuzzer(<name> SOURCES <files...> LIBS <targets...>)
# The sources define LLVMFuzzerTestOneInput. With MG_BUILD_FUZZ (clang) the target is a
# libFuzzer binary and a short fuzz run is registered as a test; otherwise it is linked
# with a replay driver that feeds it deterministic pseudo-random inputs, so every build
# (the sanitizer build included) still exercises it.
function(mg_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  if(MG_BUILD_FUZZ)
    add_executable(${name} ${F_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    add_test(NAME fuzz.${name} COMMAND ${name} -max_total_time=20 -rss_limit_mb=2048)
    set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz ENVIRONMENT "HOME=${PROJECT_BINARY_DIR}/test-home")
  else()
    add_executable(${name} ${F_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz_replay_main.cpp)
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    add_test(NAME replay.${name} COMMAND ${name} 20000)
    set_tests_properties(replay.${name} PROPERTIES ENVIRONMENT "HOME=${PROJECT_BINARY_DIR}/test-home")
  endif()
endfunction()
