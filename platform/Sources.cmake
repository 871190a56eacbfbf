# platform/: the Win32 side of registry, string list, profile and text files
# and file operations (its OS-free text rules are listed in platform/text/).
# Every file of the folder, one a line, sorted (byte order, as LC_ALL=C sort).
set(KITSETUP_PLATFORM_SOURCES
  DiskFile.cpp
  DiskFile.h
  FileOperations.cpp
  FileOperations.h
  InOutError.cpp
  InOutError.h
  IniFile.cpp
  IniFile.h
  LineFile.cpp
  LineFile.h
  RegistryError.h
  RegistryKey.cpp
  RegistryKey.h
  RegistryProfile.cpp
  RegistryProfile.h
  StringList.cpp
  StringList.h
  UniqueHandle.h
  WholeFile.cpp
  WholeFile.h
  WindowStation.cpp
  WindowStation.h
)
list(TRANSFORM KITSETUP_PLATFORM_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
