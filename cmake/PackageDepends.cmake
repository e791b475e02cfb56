# Read by cpack before it makes the packages: the dependencies of zanmig-ide
# from dpkg-shlibdeps over the built host and plug-in (the C and C++ runtimes,
# Qt 6), plus what no library link shows: Qt's platform plug-ins, loaded at
# run time. CPack's own dpkg-shlibdeps pass is off for this package (see
# cmake/Install.cmake).
if(NOT CPACK_GENERATOR STREQUAL "DEB" OR NOT CPACK_ZAN_IDE_BINARIES_FILE)
  return()
endif()
include(${CPACK_ZAN_IDE_BINARIES_FILE})
find_program(ZAN_SHLIBDEPS dpkg-shlibdeps REQUIRED)
set(work ${CPACK_TOPLEVEL_DIRECTORY}/ide-shlibdeps)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work}/debian)
file(WRITE ${work}/debian/control "")
execute_process(COMMAND ${ZAN_SHLIBDEPS} -O ${ZAN_IDE_BINARIES}
                WORKING_DIRECTORY ${work}
                OUTPUT_VARIABLE shlibdeps ERROR_VARIABLE errors RESULT_VARIABLE result
                OUTPUT_STRIP_TRAILING_WHITESPACE)
file(REMOVE_RECURSE ${work})
if(NOT result EQUAL 0 OR NOT shlibdeps MATCHES "^shlibs:Depends=(.+)$")
  message(FATAL_ERROR "dpkg-shlibdeps failed on ${ZAN_IDE_BINARIES}: ${errors}")
endif()
set(CPACK_DEBIAN_IDE_PACKAGE_DEPENDS "${CMAKE_MATCH_1}, qt6-qpa-plugins")
