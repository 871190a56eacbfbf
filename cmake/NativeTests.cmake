# The OS-free text rules, built for this machine: their tests (also run under
# sanitizers) and, with KITSETUP_FUZZ, libFuzzer targets.
enable_testing()
include(${PROJECT_SOURCE_DIR}/cmake/GoogleTest.cmake)

include(${PROJECT_SOURCE_DIR}/tests/text/Sources.cmake)
add_executable(kitsetup_text_tests ${KITSETUP_TEXT_TEST_SOURCES})
target_link_libraries(kitsetup_text_tests PRIVATE kitsetup_text GTest::gtest_main)
gtest_discover_tests(kitsetup_text_tests DISCOVERY_MODE PRE_TEST)

# Every source file of the tree is named in its folder's Sources.cmake, so a
# file added without being listed is caught here rather than silently left
# out of the build (or its tests out of the run).
add_test(NAME build.EverySourceFileIsInItsFoldersList
         COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                 -P ${PROJECT_SOURCE_DIR}/cmake/CheckSourceLists.cmake)
set_tests_properties(build.EverySourceFileIsInItsFoldersList PROPERTIES TIMEOUT 60)

if(KITSETUP_FUZZ)
  include(${PROJECT_SOURCE_DIR}/fuzz/Fuzz.cmake)
endif()
