# KitSetup.dll: one undecorated stdcall export at ordinal 1, a version
# resource, and no imports beyond the system DLLs; and kitsetup.exe beside it.
enable_language(RC)
include(${PROJECT_SOURCE_DIR}/KitSetup/Sources.cmake)

if(MSVC)
  set(KITSETUP_DEF ${KITSETUP_DLL_MSVC_DEF})
else()
  set(KITSETUP_DEF ${KITSETUP_DLL_GNU_DEF})
endif()
add_library(KitSetup SHARED ${KITSETUP_DLL_SOURCES} ${KITSETUP_DEF})
set_target_properties(KitSetup PROPERTIES PREFIX "" OUTPUT_NAME KitSetup)
target_compile_definitions(KitSetup PRIVATE ${KITSETUP_PRODUCT_DEFINITIONS})
target_link_libraries(KitSetup PRIVATE kitsetup_core)
if(MINGW)
  target_link_options(KitSetup PRIVATE -static -static-libgcc -static-libstdc++)
endif()

install(TARGETS KitSetup RUNTIME DESTINATION bin LIBRARY DESTINATION bin)

include(${PROJECT_SOURCE_DIR}/host/Host.cmake)
