# host/: kitsetup.exe, the setup program's side of the contract.
# Every file of the folder, one a line, sorted (byte order, as LC_ALL=C sort).
set(KITSETUP_HOST_SOURCES
  kitsetup.cpp
)
list(TRANSFORM KITSETUP_HOST_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
