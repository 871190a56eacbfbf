# tests/host/: stand-in DLLs for tests/win/HostTest.cpp, each breaking the
# contract in one way; one list per DLL, one file a line, sorted.
set(KITSETUP_HOST_NO_EXPORT_SOURCES
  HostNoExport.cpp
)
set(KITSETUP_HOST_PROBE_SOURCES
  HostProbe.cpp
  HostProbe.def
)
set(KITSETUP_HOST_SWAPPED_ORDINAL_SOURCES
  HostSwappedOrdinal.cpp
  HostSwappedOrdinal.def
)
foreach(list KITSETUP_HOST_NO_EXPORT_SOURCES KITSETUP_HOST_PROBE_SOURCES
             KITSETUP_HOST_SWAPPED_ORDINAL_SOURCES)
  list(TRANSFORM ${list} PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
endforeach()
