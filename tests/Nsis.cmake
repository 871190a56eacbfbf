# The example installer (examples/nsis) built with makensis against this
# tree's KitSetup.dll and run under Wine on the sample machine: silently, in
# both editions, and through its wizard. boxcloser.exe plays the person who
# acknowledges the information boxes, from outside the installer's process.
include(${CMAKE_CURRENT_LIST_DIR}/nsis/Sources.cmake)
add_executable(boxcloser ${KITSETUP_BOXCLOSER_SOURCES})
target_compile_definitions(boxcloser PRIVATE ${KITSETUP_TEST_DEFINITIONS})
target_link_libraries(boxcloser PRIVATE kitsetup_test_support user32 kernel32)
target_link_options(boxcloser PRIVATE ${KITSETUP_TEST_LINK_OPTIONS})
add_dependencies(boxcloser kitsetup_product)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(KITSETUP_MAKENSIS makensis)
# A plain path for Python: ctest would run a target through Wine. The test
# lays the sample machine in a prefix of its own and stops it at the end; it
# reports 77 (skipped) when makensis is not installed.
add_test(NAME nsis.ExampleInstaller
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/nsis/installer_test.py
          --bin ${CMAKE_BINARY_DIR}/bin --work ${CMAKE_BINARY_DIR}/nsis-sample
          --makensis "${KITSETUP_MAKENSIS}")
set_tests_properties(nsis.ExampleInstaller PROPERTIES
  FIXTURES_REQUIRED wine TIMEOUT 300 SKIP_RETURN_CODE 77)
