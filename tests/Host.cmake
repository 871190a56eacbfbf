# kitsetup's tests: stand-in DLLs, each breaking the contract in one way, for
# tests/win/HostTest.cpp.
function(kitsetup_host_test_dll name)
  add_library(${name} SHARED ${ARGN})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name})
  target_link_libraries(${name} PRIVATE user32)
  target_link_options(${name} PRIVATE ${KITSETUP_TEST_LINK_OPTIONS})
  add_dependencies(kitsetup_tests ${name})
endfunction()

kitsetup_host_test_dll(HostProbe
  ${PROJECT_SOURCE_DIR}/tests/host/HostProbe.cpp ${PROJECT_SOURCE_DIR}/tests/host/HostProbe.def)
kitsetup_host_test_dll(HostNoExport ${PROJECT_SOURCE_DIR}/tests/host/HostNoExport.cpp)
kitsetup_host_test_dll(HostSwappedOrdinal
  ${PROJECT_SOURCE_DIR}/tests/host/HostSwappedOrdinal.cpp
  ${PROJECT_SOURCE_DIR}/tests/host/HostSwappedOrdinal.def)
