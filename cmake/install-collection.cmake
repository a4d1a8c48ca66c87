# Install step: puts the collection of VARO_COLLECTION_DIR beside the programs, all of it or
# nothing. A folder without zlq.dir holds no collection: the installed programs then need one
# built with varo-build (see README.md, Install).
set(collection_files
  zlq.dir Index-fl.h Index-fl.cnt Index-idx.h Index-idx.m
  Index_content-idx.h Index_content-idx.m Index_desc-idx.h Index_desc-idx.m)

if(NOT EXISTS "${VARO_COLLECTION_DIR}/zlq.dir")
  message(STATUS "No collection in ${VARO_COLLECTION_DIR}: none installed")
  return()
endif()
set(paths)
set(missing)
foreach(name IN LISTS collection_files)
  if(EXISTS "${VARO_COLLECTION_DIR}/${name}")
    list(APPEND paths "${VARO_COLLECTION_DIR}/${name}")
  else()
    list(APPEND missing ${name})
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "The collection in ${VARO_COLLECTION_DIR} lacks: ${missing}")
endif()
# Without a variant table the variant option changes nothing; the collection still works.
if(EXISTS "${VARO_COLLECTION_DIR}/yitizi.txt")
  list(APPEND paths "${VARO_COLLECTION_DIR}/yitizi.txt")
endif()
file(INSTALL ${paths} DESTINATION "${CMAKE_INSTALL_PREFIX}/${VARO_LAUNCHER_DIR}")
