# setup/: the unit ComponentSetup on Win32 (its OS-free rules are listed in
# setup/text/).
# Every file of the folder, one a line, sorted (byte order, as LC_ALL=C sort).
set(KITSETUP_SETUP_SOURCES
  ComponentSetup.h
  CppBuilderRegistration.cpp
  CppBuilderRegistration.h
  DefaultProjectOptions.cpp
  DefaultProjectOptions.h
  DelphiRegistration.cpp
  DelphiRegistration.h
  Discovery.cpp
  Discovery.h
  Entry.cpp
  HelpMerge.cpp
  HelpMerge.h
  KnownPackages.cpp
  KnownPackages.h
  LibraryPath.cpp
  LibraryPath.h
)
list(TRANSFORM KITSETUP_SETUP_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
