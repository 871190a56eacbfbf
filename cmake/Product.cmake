# KitSetup.dll: one undecorated stdcall export at ordinal 1, a version
# resource, and no imports beyond the system DLLs.
enable_language(RC)

# The MSVC linker matches the undecorated name itself; GNU ld is told which
# decorated symbol the name stands for.
if(MSVC)
  set(KITSETUP_DEF ${PROJECT_SOURCE_DIR}/KitSetup/KitSetup.msvc.def)
else()
  set(KITSETUP_DEF ${PROJECT_SOURCE_DIR}/KitSetup/KitSetup.def)
endif()
add_library(KitSetup SHARED
  ${PROJECT_SOURCE_DIR}/KitSetup/KitSetup.cpp
  ${KITSETUP_DEF}
  ${PROJECT_SOURCE_DIR}/KitSetup/KitSetup.rc)
set_target_properties(KitSetup PROPERTIES PREFIX "" OUTPUT_NAME KitSetup)
target_link_libraries(KitSetup PRIVATE kitsetup_core)
if(MINGW)
  target_link_options(KitSetup PRIVATE -static -static-libgcc -static-libstdc++)
endif()

install(TARGETS KitSetup RUNTIME DESTINATION bin LIBRARY DESTINATION bin)

file(GLOB KITSETUP_HOST_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/*.cpp)
if(KITSETUP_HOST_SOURCES)
  include(${PROJECT_SOURCE_DIR}/host/Host.cmake OPTIONAL)
endif()
