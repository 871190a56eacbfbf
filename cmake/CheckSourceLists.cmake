# cmake -DSOURCE_DIR=<tree> -P CheckSourceLists.cmake
#
# The build names its source files explicitly, one list per folder in that
# folder's Sources.cmake. This checks the lists against the tree: every C++
# source, header, module-definition and resource file is in a list of its
# folder's Sources.cmake, every listed file exists, and each list is sorted.
cmake_policy(SET CMP0057 NEW)  # if(IN_LIST)
cmake_policy(SET CMP0009 NEW)  # GLOB_RECURSE does not follow symbolic links

# The tree's own folders only: build trees hold Wine prefixes, whose drive
# links lead to the whole file system.
file(GLOB tops RELATIVE ${SOURCE_DIR} LIST_DIRECTORIES true ${SOURCE_DIR}/*)
list(FILTER tops EXCLUDE REGEX "^(build|\\.)")
set(files)
foreach(top IN LISTS tops)
  if(IS_DIRECTORY ${SOURCE_DIR}/${top})
    file(GLOB_RECURSE found RELATIVE ${SOURCE_DIR} LIST_DIRECTORIES false
         ${SOURCE_DIR}/${top}/*.cpp ${SOURCE_DIR}/${top}/*.h
         ${SOURCE_DIR}/${top}/*.def ${SOURCE_DIR}/${top}/*.rc)
    list(APPEND files ${found})
  endif()
endforeach()

set(folders)
foreach(file IN LISTS files)
  get_filename_component(folder ${file} DIRECTORY)
  list(APPEND folders ${folder})
endforeach()
list(REMOVE_DUPLICATES folders)
list(SORT folders)

set(problems)
set(listed)
foreach(folder IN LISTS folders)
  set(fragment ${SOURCE_DIR}/${folder}/Sources.cmake)
  if(NOT EXISTS ${fragment})
    list(APPEND problems "${folder}/ has source files but no Sources.cmake")
    continue()
  endif()
  get_cmake_property(before VARIABLES)
  include(${fragment})
  get_cmake_property(after VARIABLES)
  foreach(variable IN LISTS after)
    if(NOT variable MATCHES "^KITSETUP_" OR variable IN_LIST before)
      continue()
    endif()
    set(sorted ${${variable}})
    list(SORT sorted)
    if(NOT sorted STREQUAL "${${variable}}")
      list(APPEND problems "${folder}/Sources.cmake: ${variable} is not sorted")
    endif()
    foreach(path IN LISTS ${variable})
      file(RELATIVE_PATH relative ${SOURCE_DIR} ${path})
      if(NOT EXISTS ${path})
        list(APPEND problems "${folder}/Sources.cmake: ${relative} does not exist")
      endif()
      get_filename_component(listedFolder ${relative} DIRECTORY)
      if(NOT listedFolder STREQUAL folder)
        list(APPEND problems "${folder}/Sources.cmake: ${relative} is not in ${folder}/")
      endif()
      list(APPEND listed ${relative})
    endforeach()
  endforeach()
endforeach()

foreach(file IN LISTS files)
  if(NOT file IN_LIST listed)
    list(APPEND problems "${file} is in no list of its folder's Sources.cmake")
  endif()
endforeach()

list(LENGTH files fileCount)
list(LENGTH folders folderCount)
if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "source lists and tree disagree:\n  ${text}")
endif()
message("${fileCount} source files in ${folderCount} folders, each listed in its folder's Sources.cmake")
