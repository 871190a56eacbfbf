# libFuzzer targets for the OS-free text rules, built with the sanitizers of
# the native tree. The rules they exercise are compiled again with coverage
# instrumentation, so the fuzzer can steer by them. Each target also runs as a
# short ctest on a scratch copy of its seed corpus (fuzz/corpus/<name>/); new
# inputs found there never reach the source tree. They are optimised (-O1)
# even in a Debug tree: a run of fixed length then tries several times as many
# inputs.
set(KITSETUP_FUZZ_SECONDS 50 CACHE STRING "Seconds each fuzz target runs under ctest")

add_library(kitsetup_text_fuzzed STATIC ${KITSETUP_TEXT_SOURCES})
target_include_directories(kitsetup_text_fuzzed PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(kitsetup_text_fuzzed PRIVATE -fsanitize=fuzzer-no-link -O1)

set(KITSETUP_FUZZ_TARGETS
  line_splitter:LineSplitterFuzz.cpp
  package_macro:PackageMacroFuzz.cpp
  xml_packages:XmlPackagesFuzz.cpp
  entry_list:EntryListFuzz.cpp
  default_packages:DefaultPackagesFuzz.cpp
  uninstall_text:UninstallTextFuzz.cpp)

foreach(pair IN LISTS KITSETUP_FUZZ_TARGETS)
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 source)
  set(target fuzz_${name})
  add_executable(${target} ${PROJECT_SOURCE_DIR}/fuzz/${source})
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer -O1)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${target} PRIVATE kitsetup_text_fuzzed)

  add_test(NAME fuzz.${name}
           COMMAND ${CMAKE_COMMAND}
                   -DFUZZER=$<TARGET_FILE:${target}>
                   -DSEEDS=${PROJECT_SOURCE_DIR}/fuzz/corpus/${name}
                   -DWORK=${CMAKE_BINARY_DIR}/fuzz-runs/${name}
                   -DSECONDS=${KITSETUP_FUZZ_SECONDS}
                   -P ${PROJECT_SOURCE_DIR}/fuzz/RunFuzzer.cmake)
  math(EXPR timeout "${KITSETUP_FUZZ_SECONDS} + 120")
  set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT ${timeout} LABELS fuzz)
endforeach()
