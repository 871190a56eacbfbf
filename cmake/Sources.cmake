# The product's two libraries, from the source lists of their folders (each
# folder's Sources.cmake). OS-free text rules live in the text/ folders of
# setup/ and platform/; everything else is Win32 code.
include(${PROJECT_SOURCE_DIR}/platform/Sources.cmake)
include(${PROJECT_SOURCE_DIR}/platform/text/Sources.cmake)
include(${PROJECT_SOURCE_DIR}/setup/Sources.cmake)
include(${PROJECT_SOURCE_DIR}/setup/text/Sources.cmake)

set(KITSETUP_TEXT_SOURCES ${KITSETUP_PLATFORM_TEXT_SOURCES} ${KITSETUP_SETUP_TEXT_SOURCES})
add_library(kitsetup_text STATIC ${KITSETUP_TEXT_SOURCES})
target_include_directories(kitsetup_text PUBLIC ${PROJECT_SOURCE_DIR})

if(WIN32)
  add_library(kitsetup_core STATIC ${KITSETUP_PLATFORM_SOURCES} ${KITSETUP_SETUP_SOURCES})
  target_include_directories(kitsetup_core PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_definitions(kitsetup_core PRIVATE ${KITSETUP_PRODUCT_DEFINITIONS})
  target_link_libraries(kitsetup_core PUBLIC kitsetup_text advapi32 user32 kernel32)
endif()
