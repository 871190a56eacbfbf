# kitsetup.exe: calls KitSetup.dll the way a setup program does (see
# host/kitsetup.cpp). It lands in bin/ beside the DLL, which it loads by
# default, so the product tree and the test tree both hold a working pair.
include(${CMAKE_CURRENT_LIST_DIR}/Sources.cmake)
# The window station query is the product's own, compiled in.
add_executable(kitsetup ${KITSETUP_HOST_SOURCES} ${PROJECT_SOURCE_DIR}/platform/WindowStation.cpp)
target_include_directories(kitsetup PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(kitsetup PRIVATE ${KITSETUP_PRODUCT_DEFINITIONS})
target_link_libraries(kitsetup PRIVATE user32 kernel32)
if(MINGW)
  target_link_options(kitsetup PRIVATE -static -static-libgcc -static-libstdc++)
endif()
add_dependencies(kitsetup KitSetup)

install(TARGETS kitsetup RUNTIME DESTINATION bin)
