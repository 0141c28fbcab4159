# Included by src/: every file under program/ is a delivered file of the program folder. They are compiled into
# zuvo_core so that `zuvoconv init` can install them with nothing beside the binary.
file(GLOB_RECURSE program_files CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/resources/program/*")
set(embed_args)
foreach(file IN LISTS program_files)
  file(RELATIVE_PATH name "${PROJECT_SOURCE_DIR}/resources/program" "${file}")
  list(APPEND embed_args "${name}=${file}")
endforeach()
set(out "${CMAKE_BINARY_DIR}/generated/embedded_resources.cc")
add_custom_command(
  OUTPUT "${out}"
  COMMAND zuvo_embed "${out}" ${embed_args}
  DEPENDS zuvo_embed ${program_files}
  COMMENT "Embedding delivered program files"
  VERBATIM)
set(ZUVO_EMBEDDED_SOURCE "${out}")
