# Runs one fuzz target for SECONDS on a fresh copy of its seed corpus in WORK
# and reports how many inputs it ran. A broken property or a sanitizer report
# fails the test; the input that did it is kept in WORK as crash-*.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus)
file(GLOB seeds ${SEEDS}/*)
if(seeds)
  file(COPY ${seeds} DESTINATION ${WORK}/corpus)
endif()

execute_process(
  COMMAND ${FUZZER} -seed=${SEED} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048
          -max_len=8192 -print_final_stats=1 -artifact_prefix=${WORK}/ ${WORK}/corpus
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)

string(REGEX MATCH "stat::number_of_executed_units: *([0-9]+)" units "${output}")
set(executions "${CMAKE_MATCH_1}")
string(REGEX MATCH "stat::new_units_added: *([0-9]+)" added "${output}")
set(newUnits "${CMAKE_MATCH_1}")
file(GLOB corpus ${WORK}/corpus/*)
list(LENGTH corpus corpusSize)

if(NOT result EQUAL 0)
  message("${output}")
  message(FATAL_ERROR "fuzzer failed (${result}); the failing input is in ${WORK}")
endif()
if(NOT executions)
  message("${output}")
  message(FATAL_ERROR "fuzzer ran no inputs")
endif()
message("executions: ${executions}; new inputs: ${newUnits}; corpus: ${corpusSize}")
