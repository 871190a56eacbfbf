# kitsetup's tests. Stand-in DLLs, each breaking the contract in one way, for
# tests/win/HostTest.cpp; and the whole job on the sample machine: lay it, run
# kitsetup, report, and check the report against what the DLL must change.
function(kitsetup_host_test_dll name)
  add_library(${name} SHARED ${ARGN})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE user32)
  target_link_options(${name} PRIVATE ${KITSETUP_TEST_LINK_OPTIONS})
  add_dependencies(kitsetup_tests ${name})
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/host/Sources.cmake)
kitsetup_host_test_dll(HostNoExport ${KITSETUP_HOST_NO_EXPORT_SOURCES})
kitsetup_host_test_dll(HostProbe ${KITSETUP_HOST_PROBE_SOURCES})
kitsetup_host_test_dll(HostSwappedOrdinal ${KITSETUP_HOST_SWAPPED_ORDINAL_SOURCES})

find_package(Python3 REQUIRED COMPONENTS Interpreter)
# Its own prefix, so that the sample machine never meets the other tests' keys.
# A plain path, not the imported target: ctest would run a target through Wine.
add_test(NAME host.SampleMachineReport
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/host/sample_report_test.py
          --bin ${CMAKE_BINARY_DIR}/bin --work ${CMAKE_BINARY_DIR}/host-sample)
set_tests_properties(host.SampleMachineReport PROPERTIES TIMEOUT 300 RESOURCE_LOCK host_sample)
