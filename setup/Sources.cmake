# setup/: the unit ComponentSetup on Win32 (its OS-free rules are listed in
# setup/text/).
# Every file of the folder, one a line, sorted (byte order, as LC_ALL=C sort).
set(KITSETUP_SETUP_SOURCES
  DefaultProjectFile.cpp
  DefaultProjectFile.h
  DefaultProjectOptions.cpp
  DefaultProjectOptions.h
  Discovery.cpp
  Discovery.h
  Entry.cpp
  Entry.h
  HelpMerge.cpp
  HelpMerge.h
  IdeRegistration.cpp
  IdeRegistration.h
  KnownPackages.cpp
  KnownPackages.h
  LibraryPath.cpp
  LibraryPath.h
  PalettePages.cpp
  PalettePages.h
  Uninstall.cpp
)
list(TRANSFORM KITSETUP_SETUP_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
