# The Inno Setup example (examples/inno) compiled with the Inno Setup 6
# compiler pinned in tools/inno (installed by npm ci into the build tree) and
# run under Wine on the sample machine: silently in both editions, through
# its wizard and its uninstaller. boxcloser.exe (tests/Nsis.cmake) plays the
# person who acknowledges the information boxes and presses the buttons.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(KITSETUP_INNO_COMPILER_DIR ${CMAKE_BINARY_DIR}/inno-compiler)
# Quick once the pinned version is there; reports 77 (skipped) without npm.
add_test(NAME inno.CompilerInstalled
  COMMAND ${PROJECT_SOURCE_DIR}/tools/inno-compiler.sh ${KITSETUP_INNO_COMPILER_DIR})
set_tests_properties(inno.CompilerInstalled PROPERTIES
  FIXTURES_SETUP inno_compiler TIMEOUT 300 SKIP_RETURN_CODE 77)
# A plain path for Python: ctest would run a target through Wine. The test
# lays the sample machine in a prefix of its own and stops it at the end; it
# reports 77 (skipped) when ISCC.exe is not installed.
add_test(NAME inno.ExampleInstaller
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/inno/installer_test.py
          --bin ${CMAKE_BINARY_DIR}/bin --work ${CMAKE_BINARY_DIR}/inno-sample
          --iscc ${KITSETUP_INNO_COMPILER_DIR}/node_modules/innosetup-compiler/bin/ISCC.exe)
set_tests_properties(inno.ExampleInstaller PROPERTIES
  FIXTURES_REQUIRED "wine;inno_compiler" TIMEOUT 300 SKIP_RETURN_CODE 77)
