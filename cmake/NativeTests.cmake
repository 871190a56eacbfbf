# The OS-free text rules, built for this machine: their tests (also run under
# sanitizers) and, with KITSETUP_FUZZ, libFuzzer targets.
enable_testing()
include(GoogleTest)

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(KITSETUP_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
add_subdirectory(${KITSETUP_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB KITSETUP_TEXT_TEST_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/text/*.cpp)
add_executable(kitsetup_text_tests ${KITSETUP_TEXT_TEST_SOURCES})
target_link_libraries(kitsetup_text_tests PRIVATE kitsetup_text GTest::gtest_main)
gtest_discover_tests(kitsetup_text_tests DISCOVERY_MODE PRE_TEST)

if(KITSETUP_FUZZ)
  include(${PROJECT_SOURCE_DIR}/fuzz/Fuzz.cmake OPTIONAL)
endif()
