# tests/win/: tests of the Windows code, all in kitsetup_tests.exe.
# Every file of the folder, one a line, sorted (byte order, as LC_ALL=C sort).
set(KITSETUP_WIN_TEST_SOURCES
  CppBuilderRegistrationTest.cpp
  DelphiRegistrationTest.cpp
  DiscoveryTest.cpp
  DiskFileTest.cpp
  EntryTest.cpp
  ExportTest.cpp
  FaultReplaceTest.cpp
  FileCreationTest.cpp
  FileOperationsTest.cpp
  FileReplacementTest.cpp
  FileTransferTest.cpp
  HelpMergeTest.cpp
  HostTest.cpp
  IniFileTest.cpp
  IniFileWholeTest.cpp
  InvisibleWindowStationTest.cpp
  LeakTest.cpp
  LibraryPathTest.cpp
  LineFileTest.cpp
  LineFileViewTest.cpp
  PalettePagesTest.cpp
  RegistryAccessTest.cpp
  RegistryTest.cpp
  ScratchRegistryTest.cpp
  StringListSearchTest.cpp
  UninstallResidue.h
  UninstallRoundTripTest.cpp
  UninstallTest.cpp
  WholeFileTest.cpp
  WindowStationTest.cpp
)
list(TRANSFORM KITSETUP_WIN_TEST_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
