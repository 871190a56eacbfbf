# tests/win/: tests of the Windows code, all in kitsetup_tests.exe.
# Every file of the folder, one a line, sorted (byte order, as LC_ALL=C sort).
set(KITSETUP_WIN_TEST_SOURCES
  CppBuilderRegistrationTest.cpp
  DelphiRegistrationTest.cpp
  DiscoveryTest.cpp
  EntryTest.cpp
  ExportTest.cpp
  FaultFilesTest.cpp
  FaultLeakTest.cpp
  FaultRegistryTest.cpp
  FaultReplaceTest.cpp
  FaultRequestTest.cpp
  FileOperationsTest.cpp
  HelpMergeTest.cpp
  HostTest.cpp
  IniFileTest.cpp
  IniFileWholeTest.cpp
  LibraryPathTest.cpp
  LineFileTest.cpp
  LineFileViewTest.cpp
  RegistryTest.cpp
  WholeFileTest.cpp
)
list(TRANSFORM KITSETUP_WIN_TEST_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
