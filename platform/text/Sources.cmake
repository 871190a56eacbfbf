# platform/text/: OS-free text rules (no windows.h); they also build natively.
# Every file of the folder, one a line, sorted (byte order, as LC_ALL=C sort).
set(KITSETUP_PLATFORM_TEXT_SOURCES
  AsciiText.cpp
  AsciiText.h
  LineSplitter.cpp
  LineSplitter.h
)
list(TRANSFORM KITSETUP_PLATFORM_TEXT_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
