# Include roots per layer. Each library of src/ sees its own headers and those
# of the libraries it links, and nothing else, so that an include that goes
# up a layer (or across, between ntfs and fat) does not build. A library's
# root lives in the build tree and holds only a link to its source folder,
# so headers keep their spelling: "disk/le_reader.h".

set(TV_INCLUDE_ROOTS ${CMAKE_BINARY_DIR}/include)

# tv_layer_headers(TARGET FOLDER [HEADERS_ONLY | FILES name...])
# Gives TARGET (and what links it) the include root holding src/FOLDER.
# HEADERS_ONLY links the headers directly inside FOLDER one by one instead of
# the whole folder, for a folder whose subfolders are higher layers (app/
# holds app/cli/ and app/win32/); headers added later are linked at the next
# build. FILES links only the files named.
function(tv_layer_headers target folder)
  cmake_parse_arguments(ARG "HEADERS_ONLY" "" "FILES" ${ARGN})
  set(root ${TV_INCLUDE_ROOTS}/${target})
  set(source ${TV_SRC}/${folder})
  if(ARG_HEADERS_ONLY OR ARG_FILES)
    file(MAKE_DIRECTORY ${root}/${folder})
    set(headers ${ARG_FILES})
    if(ARG_HEADERS_ONLY)
      file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${source} ${source}/*.h)
    endif()
    foreach(header IN LISTS headers)
      file(CREATE_LINK ${source}/${header} ${root}/${folder}/${header} SYMBOLIC)
    endforeach()
  else()
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${source} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
