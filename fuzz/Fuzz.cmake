# libFuzzer targets for the OS-free text rules, built with the sanitizers of
# the native tree. The rules they exercise are compiled again with coverage
# instrumentation, so the fuzzer can steer by them. They are optimised (-O1)
# even in a Debug tree: a run of fixed length then tries several times as many
# inputs.
#
# Each target runs twice as a ctest, each time on a scratch copy of its seed
# corpus (fuzz/corpus/<name>/; new inputs found there never reach the source
# tree): briefly in every test run (fuzz.<name>, label "fuzz"), and for
# longer under the label "fuzz-long" (fuzz-long.<name>), which the default
# test preset leaves out; `ctest --preset native-fuzz-long` runs those.
set(KITSETUP_FUZZ_QUICK_SECONDS 10 CACHE STRING
    "Seconds each fuzz target runs in the default test run (label fuzz)")
set(KITSETUP_FUZZ_LONG_SECONDS 300 CACHE STRING
    "Seconds each fuzz target runs under the label fuzz-long")

include(${CMAKE_CURRENT_LIST_DIR}/Sources.cmake)

add_library(kitsetup_text_fuzzed STATIC ${KITSETUP_TEXT_SOURCES})
target_include_directories(kitsetup_text_fuzzed PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(kitsetup_text_fuzzed PRIVATE -fsanitize=fuzzer-no-link -O1)

# seed: libFuzzer's random seed. The short runs of the default test command
# take a fixed one, so that a run that passed passes again and a failure can be
# replayed; the long runs take a new one each time (0) to go where no run went.
function(kitsetup_fuzz_test label name target seconds seed)
  add_test(NAME ${label}.${name}
           COMMAND ${CMAKE_COMMAND}
                   -DFUZZER=$<TARGET_FILE:${target}>
                   -DSEEDS=${CMAKE_CURRENT_FUNCTION_LIST_DIR}/corpus/${name}
                   -DWORK=${CMAKE_BINARY_DIR}/${label}-runs/${name}
                   -DSECONDS=${seconds}
                   -DSEED=${seed}
                   -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/RunFuzzer.cmake)
  math(EXPR timeout "${seconds} + 120")
  set_tests_properties(${label}.${name} PROPERTIES TIMEOUT ${timeout} LABELS ${label})
endfunction()

foreach(source IN LISTS KITSETUP_FUZZ_TARGET_SOURCES)
  # LineSplitterFuzz.cpp -> line_splitter
  get_filename_component(name ${source} NAME_WE)
  string(REGEX REPLACE "Fuzz$" "" name ${name})
  string(REGEX REPLACE "([a-z0-9])([A-Z])" "\\1_\\2" name ${name})
  string(TOLOWER ${name} name)
  set(target fuzz_${name})

  add_executable(${target} ${source} ${KITSETUP_FUZZ_SUPPORT_SOURCES})
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer -O1)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${target} PRIVATE kitsetup_text_fuzzed)

  kitsetup_fuzz_test(fuzz ${name} ${target} ${KITSETUP_FUZZ_QUICK_SECONDS} 1)
  kitsetup_fuzz_test(fuzz-long ${name} ${target} ${KITSETUP_FUZZ_LONG_SECONDS} 0)
endforeach()
