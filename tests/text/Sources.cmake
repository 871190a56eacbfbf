# tests/text/: tests of the OS-free text rules (built for Windows and natively).
# Every file of the folder, one a line, sorted (byte order, as LC_ALL=C sort).
set(KITSETUP_TEXT_TEST_SOURCES
  AsciiTextTest.cpp
  DefaultPackagesTextTest.cpp
  EntryListTest.cpp
  HelpPlansTest.cpp
  InstallRequestTest.cpp
  LineSplitterTest.cpp
  LineSplitterWholeLineTest.cpp
  PackageMacroTest.cpp
  RegistrationPlanTest.cpp
  SearchPathTextTest.cpp
  UninstallTextTest.cpp
  XmlPackagesTest.cpp
)
list(TRANSFORM KITSETUP_TEXT_TEST_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
