# Included by src/: every file under program/ is a delivered file of the program folder. They are compiled into
# zuvo_core so that `zuvoconv init` can install them with nothing beside the binary.
#
# The schema files (schema/*.sql) and the reference data with its fill scripts (reference/*.csv,
# *.csv.gz, *.sql) are compiled in too, under names starting with ":" (":schema/MX.sql"); they are
# the inputs from which the delivered databases are built, never installed as they are.
file(GLOB_RECURSE program_files CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/resources/program/*")
file(GLOB schema_files CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/resources/schema/*.sql")
file(GLOB reference_files CONFIGURE_DEPENDS
  "${PROJECT_SOURCE_DIR}/resources/reference/*.csv"
  "${PROJECT_SOURCE_DIR}/resources/reference/*.csv.gz"
  "${PROJECT_SOURCE_DIR}/resources/reference/*.sql")
set(embed_args)
foreach(file IN LISTS program_files)
  file(RELATIVE_PATH name "${PROJECT_SOURCE_DIR}/resources/program" "${file}")
  list(APPEND embed_args "${name}=${file}")
endforeach()
foreach(file IN LISTS schema_files reference_files)
  file(RELATIVE_PATH name "${PROJECT_SOURCE_DIR}/resources" "${file}")
  list(APPEND embed_args ":${name}=${file}")
endforeach()
list(SORT embed_args)
set(out "${CMAKE_BINARY_DIR}/generated/embedded_resources.cc")
add_custom_command(
  OUTPUT "${out}"
  COMMAND zuvo_embed "${out}" ${embed_args}
  DEPENDS zuvo_embed ${program_files} ${schema_files} ${reference_files}
  COMMENT "Embedding delivered program files"
  VERBATIM)
set(ZUVO_EMBEDDED_SOURCE "${out}")
