# tests/support/: what the Windows tests and the benchmark share.
# Every file of the folder, one a line, sorted (byte order, as LC_ALL=C sort).
set(KITSETUP_TEST_SUPPORT_SOURCES
  BoxWatcher.cpp
  BoxWatcher.h
  BuildPrefix.cpp
  BuildPrefix.h
  ExpectedLines.cpp
  ExpectedLines.h
  ImportPatch.cpp
  ImportPatch.h
  KitSetupDll.cpp
  KitSetupDll.h
  OddRegistryValues.h
  ParamBlock.h
  Sandbox.cpp
  Sandbox.h
  ScratchRegistry.cpp
  ScratchRegistry.h
  SetupMachine.cpp
  SetupMachine.h
  TestFiles.cpp
  TestFiles.h
  TestMain.cpp
  TestRegistry.cpp
  TestRegistry.h
  WindowStations.cpp
  WindowStations.h
)
list(TRANSFORM KITSETUP_TEST_SUPPORT_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
