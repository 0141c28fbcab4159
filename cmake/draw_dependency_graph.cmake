# Draws the dependency graph of cmake/dependency_graph.cmake as a Mermaid diagram between the
# markers "<!-- dependency graph -->" and "<!-- end of dependency graph -->" of DOC.
#   cmake -DDOC=docs/architecture.md [-DCHECK=ON] -P draw_dependency_graph.cmake
# Without CHECK the drawing in DOC is rewritten; with it, a drawing that differs fails.
# An arrow a --> b says that a may include b. Arrows that another path already implies are left
# out, so the drawing shows the shape; the graph file holds each folder's exact list.
cmake_policy(VERSION 3.25)
include("${CMAKE_CURRENT_LIST_DIR}/dependency_graph.cmake")

# Every folder `folder` reaches through the graph.
function(zuvo_reach folder out)
  set(reached "")
  set(queue ${zuvo_uses_${folder}})
  while(queue)
    list(POP_FRONT queue next)
    if(NOT next IN_LIST reached)
      list(APPEND reached ${next})
      list(APPEND queue ${zuvo_uses_${next}})
    endif()
  endwhile()
  set(${out} ${reached} PARENT_SCOPE)
endfunction()

set(drawing "<!-- dependency graph -->\n```mermaid\ngraph BT\n")
foreach(folder IN LISTS zuvo_engine_folders zuvo_program_folders)
  foreach(used IN LISTS zuvo_uses_${folder})
    set(implied FALSE)
    foreach(other IN LISTS zuvo_uses_${folder})
      if(NOT other STREQUAL used)
        zuvo_reach(${other} reached)
        if(used IN_LIST reached)
          set(implied TRUE)
        endif()
      endif()
    endforeach()
    if(NOT implied)
      string(APPEND drawing "  ${folder} --> ${used}\n")
    endif()
  endforeach()
endforeach()
string(APPEND drawing "```\n<!-- end of dependency graph -->")

file(READ "${DOC}" text)
string(FIND "${text}" "<!-- dependency graph -->" begin)
string(FIND "${text}" "<!-- end of dependency graph -->" end)
if(begin EQUAL -1 OR end EQUAL -1 OR end LESS begin)
  message(FATAL_ERROR "${DOC} lacks the dependency graph's markers")
endif()
string(LENGTH "<!-- end of dependency graph -->" end_length)
math(EXPR after "${end} + ${end_length}")
string(SUBSTRING "${text}" ${begin} -1 rest)
math(EXPR old_length "${after} - ${begin}")
string(SUBSTRING "${text}" ${begin} ${old_length} old)
if(old STREQUAL drawing)
  return()
endif()
if(CHECK)
  message(FATAL_ERROR "the dependency graph drawn in ${DOC} is not the one of "
                      "cmake/dependency_graph.cmake; run: cmake -DDOC=${DOC} -P "
                      "cmake/draw_dependency_graph.cmake")
endif()
string(SUBSTRING "${text}" 0 ${begin} head)
string(SUBSTRING "${text}" ${after} -1 tail)
file(WRITE "${DOC}" "${head}${drawing}${tail}")
