# tests/nsis/: boxcloser.exe, which acknowledges the example installer's boxes.
# Every file of the folder, one a line, sorted (byte order, as LC_ALL=C sort).
set(KITSETUP_BOXCLOSER_SOURCES
  boxcloser.cpp
)
list(TRANSFORM KITSETUP_BOXCLOSER_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
