# fuzz/: one libFuzzer target per *Fuzz.cpp (LineSplitterFuzz.cpp makes
# fuzz_line_splitter, seeded from corpus/line_splitter/), and the headers they
# share. One file a line, sorted (byte order, as LC_ALL=C sort).
set(KITSETUP_FUZZ_TARGET_SOURCES
  DefaultPackagesFuzz.cpp
  EntryListFuzz.cpp
  LineSplitterFuzz.cpp
  PackageMacroFuzz.cpp
  UninstallTextFuzz.cpp
  XmlPackagesFuzz.cpp
)
set(KITSETUP_FUZZ_SUPPORT_SOURCES
  EntryListOracle.h
  FuzzSupport.h
)
list(TRANSFORM KITSETUP_FUZZ_TARGET_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
list(TRANSFORM KITSETUP_FUZZ_SUPPORT_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
