# The product's layers point only down, and nothing of the product includes
# the stand-ins. The layer libraries enforce the first for every #include
# that goes through the include path; this check also catches what would slip
# past it: a path in an #include ("../sim/..."), a header of sim/ found by
# name, and a header name that two folders both define.
#   cmake -DSOURCE_DIR=<project> -P check_layers.cmake
cmake_minimum_required(VERSION 3.25)

# Folders from the bottom up; a file may include headers of its own folder
# and of the folders before it. kw_version.h is generated from resources/.
set(layers include resources plugin/host trace ui driver modules plugin)

set(failures "")
set(rank 0)
foreach(folder IN LISTS layers)
  file(GLOB files LIST_DIRECTORIES false ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp
       ${SOURCE_DIR}/${folder}/*.rc ${SOURCE_DIR}/${folder}/*.in)
  foreach(file IN LISTS files)
    get_filename_component(name ${file} NAME)
    string(REGEX REPLACE "\\.in$" "" name ${name})
    if(DEFINED owner_${name})
      list(APPEND failures "${name} is in ${owner_${name}}/ and in ${folder}/")
    endif()
    set(owner_${name} ${folder})
    set(rank_${name} ${rank})
  endforeach()
  set(product_files_${rank} ${files})
  math(EXPR rank "${rank} + 1")
endforeach()

file(GLOB_RECURSE stand_in_headers ${SOURCE_DIR}/sim/*.h)
foreach(file IN LISTS stand_in_headers)
  get_filename_component(name ${file} NAME)
  set(stand_in_${name} TRUE)
endforeach()

math(EXPR last "${rank} - 1")
foreach(rank RANGE ${last})
  list(GET layers ${rank} folder)
  foreach(file IN LISTS product_files_${rank})
    file(RELATIVE_PATH shown ${SOURCE_DIR} ${file})
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" included "${line}")
      if(included MATCHES "/" OR included MATCHES "\\\\")
        list(APPEND failures "${shown} includes \"${included}\": product files include by name")
      elseif(stand_in_${included})
        list(APPEND failures "${shown} includes the stand-ins' ${included}")
      elseif(DEFINED rank_${included} AND rank_${included} GREATER rank)
        list(APPEND failures "${shown} includes ${included} of ${owner_${included}}/, a layer above ${folder}/")
      endif()
    endforeach()
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "Layers:\n  ${text}")
endif()
message(STATUS "Layers: every #include of the product points down, none reaches sim/")
