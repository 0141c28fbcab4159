# The folders of the engine (src/) and of the programs over it (gui/, cli/), each with the
# folders it may include. This is the one place the dependencies are written:
#   - cmake/check_includes.cmake refuses any include of a folder not listed here, upwards or
#     sideways, before a folder compiles;
#   - src/CMakeLists.txt links each folder's library to exactly the libraries listed here;
#   - docs/architecture.md shows the graph between its "dependency graph" markers, which
#     cmake/draw_dependency_graph.cmake writes and a test keeps true.
set(zuvo_engine_folders
    platform core workspace catalogue patients charts postprocess maintenance diagnosis app demo)
set(zuvo_program_folders gui cli)

set(zuvo_uses_platform "")
set(zuvo_uses_core platform)
set(zuvo_uses_workspace platform core)
set(zuvo_uses_catalogue platform core workspace)
set(zuvo_uses_patients platform core workspace)
set(zuvo_uses_charts platform core workspace catalogue)
set(zuvo_uses_postprocess platform core workspace catalogue)
set(zuvo_uses_maintenance platform core workspace)
set(zuvo_uses_diagnosis platform core)
set(zuvo_uses_app platform core workspace catalogue patients charts postprocess)
set(zuvo_uses_demo platform core charts)
set(zuvo_uses_gui platform core workspace maintenance diagnosis app)
set(zuvo_uses_cli platform core workspace postprocess maintenance diagnosis app demo)
