# tests/support/: what the Windows tests and the benchmark share.
# Every file of the folder, one a line, sorted (byte order, as LC_ALL=C sort).
set(KITSETUP_TEST_SUPPORT_SOURCES
  KitSetupDll.cpp
  KitSetupDll.h
  Sandbox.cpp
  Sandbox.h
  SetupMachine.cpp
  SetupMachine.h
  TestFiles.cpp
  TestFiles.h
  TestRegistry.cpp
  TestRegistry.h
)
list(TRANSFORM KITSETUP_TEST_SUPPORT_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
