# Tests for the Windows code, cross-compiled and run by ctest through 32-bit
# Wine in a prefix that this build tree creates and owns.
enable_testing()
include(ExternalProject)

# --- The product, built exactly as it ships (win32 thread model) -----------
set(KITSETUP_PRODUCT_TOOLCHAIN ${PROJECT_SOURCE_DIR}/cmake/toolchains/mingw-i686-win32.cmake
    CACHE FILEPATH "Toolchain of the nested product build")
ExternalProject_Add(kitsetup_product
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/product
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${KITSETUP_PRODUCT_TOOLCHAIN}
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DKITSETUP_BUILD_TESTS=OFF
  BUILD_ALWAYS ON
  INSTALL_COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_BINARY_DIR}/product/bin
                  ${CMAKE_BINARY_DIR}/bin
  USES_TERMINAL_BUILD ON)

# --- Wine --------------------------------------------------------------------
set(KITSETUP_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(KITSETUP_WINE_TOOL ${PROJECT_SOURCE_DIR}/tools/wine-prefix.sh)
add_custom_command(
  OUTPUT ${KITSETUP_WINEPREFIX}/.kitsetup-ready
  COMMAND ${KITSETUP_WINE_TOOL} create ${KITSETUP_WINEPREFIX}
  DEPENDS ${KITSETUP_WINE_TOOL}
  COMMENT "Creating the Wine prefix"
  VERBATIM)
add_custom_target(wine_prefix ALL DEPENDS ${KITSETUP_WINEPREFIX}/.kitsetup-ready)
set(CMAKE_CROSSCOMPILING_EMULATOR ${KITSETUP_WINE_TOOL};run;${KITSETUP_WINEPREFIX})

# --- GoogleTest, from Debian's sources, with this cross-compiler ------------
include(${PROJECT_SOURCE_DIR}/cmake/GoogleTest.cmake)

set(KITSETUP_TEST_LINK_OPTIONS -static -static-libgcc -static-libstdc++)

include(${PROJECT_SOURCE_DIR}/tests/support/Sources.cmake)
add_library(kitsetup_test_support STATIC ${KITSETUP_TEST_SUPPORT_SOURCES})
target_include_directories(kitsetup_test_support PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(kitsetup_test_support PUBLIC ${KITSETUP_TEST_DEFINITIONS})
target_link_libraries(kitsetup_test_support PUBLIC GTest::gtest advapi32 user32 kernel32 version)

# One test program for the Windows code, one for the text rules (the same
# sources also run natively).
include(${PROJECT_SOURCE_DIR}/tests/win/Sources.cmake)
add_executable(kitsetup_tests ${KITSETUP_WIN_TEST_SOURCES})
# Its main (tests/support/TestMain.cpp) redirects the registry roots first.
target_link_libraries(kitsetup_tests PRIVATE kitsetup_core kitsetup_test_support GTest::gtest)
target_link_options(kitsetup_tests PRIVATE ${KITSETUP_TEST_LINK_OPTIONS})
add_dependencies(kitsetup_tests kitsetup_product wine_prefix)

include(${PROJECT_SOURCE_DIR}/tests/text/Sources.cmake)
add_executable(kitsetup_text_tests ${KITSETUP_TEXT_TEST_SOURCES})
target_link_libraries(kitsetup_text_tests PRIVATE kitsetup_text GTest::gtest_main)
target_link_options(kitsetup_text_tests PRIVATE ${KITSETUP_TEST_LINK_OPTIONS})
add_dependencies(kitsetup_text_tests wine_prefix)

foreach(test_program kitsetup_tests kitsetup_text_tests)
  gtest_discover_tests(${test_program}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
endforeach()

# One wineserver serves the whole run. Left to itself it ends a few seconds
# after its last client, and a test starting in that moment loses its
# connection ("recvmsg: Connection reset by peer"); a persistent one ends only
# when the run stops it. No wineserver may outlive the run.
add_test(NAME wine_prefix_start COMMAND ${KITSETUP_WINE_TOOL} start ${KITSETUP_WINEPREFIX})
set_tests_properties(wine_prefix_start PROPERTIES FIXTURES_SETUP wine)
add_test(NAME wine_prefix_stop COMMAND ${KITSETUP_WINE_TOOL} stop ${KITSETUP_WINEPREFIX})
set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine)

# kitsetup.exe with its stand-in DLLs and the sample machine, the example
# installer, and the benchmark (built only, so that it keeps compiling).
include(${PROJECT_SOURCE_DIR}/tests/Host.cmake)
include(${PROJECT_SOURCE_DIR}/tests/Nsis.cmake)
# After Nsis.cmake: it uses boxcloser.exe, defined there.
include(${PROJECT_SOURCE_DIR}/tests/Inno.cmake)
include(${PROJECT_SOURCE_DIR}/bench/Bench.cmake)
