# Refuses an include that points upwards in the layers of src/: a folder may include itself and
# the folders below it, never one above. Run by the build for each folder:
#   cmake -DSOURCE_DIR=<src> -DFOLDER=<folder> -DSTAMP=<file> -P check_layers.cmake
# The order is the one docs/architecture.md describes.
set(layers platform core workspace catalogue patients charts postprocess maintenance diagnosis app
    demo)
list(FIND layers "${FOLDER}" own_rank)
if(own_rank EQUAL -1)
  message(FATAL_ERROR "src/${FOLDER} is no layer; add it to cmake/check_layers.cmake")
endif()
file(GLOB files "${SOURCE_DIR}/${FOLDER}/*.h" "${SOURCE_DIR}/${FOLDER}/*.cc")
set(failed FALSE)
foreach(file IN LISTS files)
  file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[A-Za-z_]+/")
  foreach(line IN LISTS includes)
    string(REGEX MATCH "\"([A-Za-z_]+)/" match "${line}")
    set(included "${CMAKE_MATCH_1}")
    list(FIND layers "${included}" included_rank)
    if(included_rank GREATER own_rank)
      file(RELATIVE_PATH shown "${SOURCE_DIR}/.." "${file}")
      message(SEND_ERROR "${shown}: ${line} points upwards: ${FOLDER}/ may include only "
                         "the folders below it in the layers (${layers})")
      set(failed TRUE)
    endif()
  endforeach()
endforeach()
if(failed)
  message(FATAL_ERROR "upward includes in src/${FOLDER}")
endif()
file(WRITE "${STAMP}" "")
