# bench/: kitsetup_bench.exe.
# Every file of the folder, one a line, sorted (byte order, as LC_ALL=C sort).
set(KITSETUP_BENCH_SOURCES
  CallCounting.cpp
  CallCounting.h
  ChildProcess.cpp
  ChildProcess.h
  Figures.cpp
  Figures.h
  Installation.cpp
  Installation.h
  Report.cpp
  Report.h
  Turns.cpp
  Turns.h
  kitsetup_bench.cpp
)
list(TRANSFORM KITSETUP_BENCH_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
