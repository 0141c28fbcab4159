# Refuses an include of a folder that cmake/dependency_graph.cmake does not let the folder use,
# upwards or sideways; a folder may always include its own files. Run by the build for each
# folder:
#   cmake -DSOURCE_DIR=<dir holding the folder> -DFOLDER=<folder> -DSTAMP=<file>
#         -P check_includes.cmake
# GRAPH names another graph file (the check's own test plants one).
cmake_policy(VERSION 3.25)
if(NOT GRAPH)
  set(GRAPH "${CMAKE_CURRENT_LIST_DIR}/dependency_graph.cmake")
endif()
include("${GRAPH}")
set(known ${zuvo_engine_folders} ${zuvo_program_folders})
if(NOT FOLDER IN_LIST known)
  message(FATAL_ERROR "${FOLDER}/ is not in the dependency graph; add it to ${GRAPH}")
endif()
set(allowed ${FOLDER} ${zuvo_uses_${FOLDER}})
file(GLOB files "${SOURCE_DIR}/${FOLDER}/*.h" "${SOURCE_DIR}/${FOLDER}/*.cc")
set(failed FALSE)
foreach(file IN LISTS files)
  file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[A-Za-z_]+/")
  foreach(line IN LISTS includes)
    string(REGEX MATCH "\"([A-Za-z_]+)/" match "${line}")
    set(included "${CMAKE_MATCH_1}")
    if(included IN_LIST known AND NOT included IN_LIST allowed)
      file(RELATIVE_PATH shown "${SOURCE_DIR}/.." "${file}")
      string(REPLACE ";" " " may "${zuvo_uses_${FOLDER}}")
      message(SEND_ERROR "${shown}: ${line} is not allowed: ${FOLDER}/ may include only "
                         "${may} (the dependency graph, ${GRAPH})")
      set(failed TRUE)
    endif()
  endforeach()
endforeach()
if(failed)
  message(FATAL_ERROR "includes outside the dependency graph in ${FOLDER}/")
endif()
file(WRITE "${STAMP}" "")
