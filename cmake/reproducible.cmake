# Shipped files rebuilt from the same commit are identical to the byte.
#
# KW_SOURCE_DATE_EPOCH is the one time that goes into them: the environment's
# SOURCE_DATE_EPOCH where the builder sets it (a source archive without
# history), else the time of the checked-out commit. Only a tree that has
# neither falls back to the time of configuration, and is then not
# reproducible. It is worked out at every configuration; `make win32`
# configures every time, so a new commit reaches the time stamps at once.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(KW_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git log -1 --format=%ct
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE KW_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_result ERROR_QUIET)
  if(git_result)
    set(KW_SOURCE_DATE_EPOCH "")
  endif()
endif()
if(NOT KW_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  string(TIMESTAMP KW_SOURCE_DATE_EPOCH "%s" UTC)
  message(STATUS "Neither SOURCE_DATE_EPOCH nor a git commit: shipped files carry the build time")
endif()

# kw_reproducible(<target>...): the linked library carries the time stamp
# above (the linker takes it from SOURCE_DATE_EPOCH, for the file header and
# the export directory) and no debugging sections, which would carry the
# toolchain's own build paths. The time stamp is part of the link command, so
# a new one relinks the library.
function(kw_reproducible)
  set(launcher ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${KW_SOURCE_DATE_EPOCH})
  foreach(target IN LISTS ARGN)
    set_target_properties(${target} PROPERTIES C_LINKER_LAUNCHER "${launcher}" CXX_LINKER_LAUNCHER "${launcher}")
    target_link_options(${target} PRIVATE -s)
  endforeach()
endfunction()
