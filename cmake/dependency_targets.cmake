# Builds the dependency graph into the targets: the include check of a folder before it
# compiles, and each library linked to the libraries of exactly the folders it may use.
include("${CMAKE_CURRENT_LIST_DIR}/dependency_graph.cmake")

# Runs the include check of `folder` (lying in `source_dir`) before `target` compiles.
function(zuvo_check_includes target source_dir folder)
  file(GLOB checked CONFIGURE_DEPENDS "${source_dir}/${folder}/*.cc" "${source_dir}/${folder}/*.h")
  set(stamp "${CMAKE_BINARY_DIR}/include_checks/${folder}.checked")
  add_custom_command(
    OUTPUT "${stamp}"
    COMMAND "${CMAKE_COMMAND}" -DSOURCE_DIR=${source_dir} -DFOLDER=${folder} -DSTAMP=${stamp}
            -P "${PROJECT_SOURCE_DIR}/cmake/check_includes.cmake"
    DEPENDS ${checked} "${PROJECT_SOURCE_DIR}/cmake/check_includes.cmake"
            "${PROJECT_SOURCE_DIR}/cmake/dependency_graph.cmake"
    COMMENT "Checking the includes of ${folder}/"
    VERBATIM)
  target_sources(${target} PRIVATE "${stamp}")
endfunction()

# Links `target` to the engine libraries `folder` may use.
function(zuvo_link_uses target folder)
  foreach(used IN LISTS zuvo_uses_${folder})
    target_link_libraries(${target} PUBLIC zuvo_${used})
  endforeach()
endfunction()
