# The version text of the programs: the project version, the git commit the
# build was configured from (when the sources are a git checkout; "-dirty"
# when tracked files had uncommitted changes then) and the build type.
# Written at configure time into ${CMAKE_BINARY_DIR}/generated/BuildInfo.h.

set(ZAN_GIT_COMMIT "")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} -C ${CMAKE_SOURCE_DIR} rev-parse --short=12 HEAD
                  OUTPUT_VARIABLE ZAN_GIT_COMMIT OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_result ERROR_QUIET)
  if(NOT git_result EQUAL 0)
    set(ZAN_GIT_COMMIT "")
  else()
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${CMAKE_SOURCE_DIR} diff-index --quiet HEAD --
                    RESULT_VARIABLE git_dirty ERROR_QUIET)
    if(NOT git_dirty EQUAL 0)
      string(APPEND ZAN_GIT_COMMIT "-dirty")
    endif()
  endif()
endif()

set(ZAN_BUILD_TYPE "${CMAKE_BUILD_TYPE}")
if(ZAN_BUILD_TYPE STREQUAL "")
  set(ZAN_BUILD_TYPE "default")
endif()
configure_file(${CMAKE_SOURCE_DIR}/cmake/BuildInfo.h.in ${CMAKE_BINARY_DIR}/generated/BuildInfo.h
               @ONLY)
