# KitSetup/: the DLL's main module, its version resource and the
# module-definition file that exports IDEInstall at ordinal 1. The MSVC linker
# matches the undecorated name itself; GNU ld is told which decorated symbol
# the name stands for.
# Every file of the folder, one a line, sorted (byte order, as LC_ALL=C sort).
set(KITSETUP_DLL_SOURCES
  KitSetup.cpp
  KitSetup.rc
)
set(KITSETUP_DLL_GNU_DEF KitSetup.def)
set(KITSETUP_DLL_MSVC_DEF KitSetup.msvc.def)
list(TRANSFORM KITSETUP_DLL_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
list(TRANSFORM KITSETUP_DLL_GNU_DEF PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
list(TRANSFORM KITSETUP_DLL_MSVC_DEF PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
