# Source sets. OS-free text rules live in the text/ folders of setup/ and
# platform/; everything else is Win32 code.
file(GLOB KITSETUP_TEXT_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/platform/text/*.cpp
  ${PROJECT_SOURCE_DIR}/setup/text/*.cpp)

add_library(kitsetup_text STATIC ${KITSETUP_TEXT_SOURCES})
target_include_directories(kitsetup_text PUBLIC ${PROJECT_SOURCE_DIR})

if(WIN32)
  file(GLOB KITSETUP_CORE_SOURCES CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/platform/*.cpp
    ${PROJECT_SOURCE_DIR}/setup/*.cpp)

  add_library(kitsetup_core STATIC ${KITSETUP_CORE_SOURCES})
  target_include_directories(kitsetup_core PUBLIC ${PROJECT_SOURCE_DIR})
  # Windows XP's API is the floor: nothing newer may slip into the product.
  target_compile_definitions(kitsetup_core PRIVATE _WIN32_WINNT=0x0501 WINVER=0x0501
                                                   WIN32_LEAN_AND_MEAN NOMINMAX)
  target_link_libraries(kitsetup_core PUBLIC kitsetup_text advapi32 user32 kernel32)
endif()
