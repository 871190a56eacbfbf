# The benchmark of one IDEInstall request against the least work it needs.
# Built with the tests so that it keeps compiling; run only by tools/bench.sh,
# since timings have no place in the test run.
include(${CMAKE_CURRENT_LIST_DIR}/Sources.cmake)
add_executable(kitsetup_bench ${KITSETUP_BENCH_SOURCES})
target_link_libraries(kitsetup_bench PRIVATE kitsetup_test_support psapi)
target_link_options(kitsetup_bench PRIVATE ${KITSETUP_TEST_LINK_OPTIONS})
add_dependencies(kitsetup_bench kitsetup_product wine_prefix)
