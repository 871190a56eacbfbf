# bench/: kitsetup_bench.exe.
# Every file of the folder, one a line, sorted (byte order, as LC_ALL=C sort).
set(KITSETUP_BENCH_SOURCES
  kitsetup_bench.cpp
)
list(TRANSFORM KITSETUP_BENCH_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
