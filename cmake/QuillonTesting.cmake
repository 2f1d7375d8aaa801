# GoogleTest: natively the packaged library; for the cross build compiled from the packaged sources.
if(WIN32 AND CMAKE_CROSSCOMPILING)
    set(GTEST_SRC /usr/src/googletest)
    if(NOT EXISTS ${GTEST_SRC}/googletest/src/gtest-all.cc)
        message(FATAL_ERROR "GoogleTest sources not found in ${GTEST_SRC} (apt-get install googletest)")
    endif()
    add_library(gtest STATIC ${GTEST_SRC}/googletest/src/gtest-all.cc)
    target_include_directories(gtest PUBLIC ${GTEST_SRC}/googletest/include
                                      PRIVATE ${GTEST_SRC}/googletest)
    add_library(gmock STATIC ${GTEST_SRC}/googlemock/src/gmock-all.cc)
    target_include_directories(gmock PUBLIC ${GTEST_SRC}/googlemock/include
                                     PRIVATE ${GTEST_SRC}/googlemock)
    target_link_libraries(gmock PUBLIC gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gmock ALIAS gmock)
else()
    find_package(GTest REQUIRED)
    find_package(Threads REQUIRED)
endif()

add_library(quillon_test_main STATIC ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp)
target_link_libraries(quillon_test_main PUBLIC GTest::gtest GTest::gmock quillon_platform)
target_include_directories(quillon_test_main PUBLIC ${CMAKE_SOURCE_DIR})
# Test code is compiled for build time, not speed (the code under test keeps the tree's flags):
# -O1 and one precompiled GoogleTest header, shared by every suite, halve the suites' build.
# At -O1 GCC 12 takes some std::string copies for out-of-bounds ones (its false positives).
target_compile_options(quillon_test_main PRIVATE -O1 -Wno-array-bounds -Wno-stringop-overread)
target_precompile_headers(quillon_test_main PRIVATE <gtest/gtest.h> <string> <vector>
                          <functional> <chrono> <thread> <memory> <algorithm>)

# quillon_add_test(NAME sources... LIBS libs...)
# One executable per component; one ctest entry per executable, so that under Wine each suite
# costs one process start rather than one per case.
function(quillon_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE quillon_test_main ${T_LIBS})
    if(WIN32)
        target_link_options(${name} PRIVATE -municode)
    endif()
    target_compile_options(${name} PRIVATE -O1 -Wno-array-bounds -Wno-stringop-overread)
    target_precompile_headers(${name} REUSE_FROM quillon_test_main)
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no --gtest_output=xml:gtest-results/)
    set_tests_properties(${name} PROPERTIES TIMEOUT 900
        ENVIRONMENT "QUILLON_TEST_DATA=${CMAKE_CURRENT_BINARY_DIR}/data")
endfunction()
