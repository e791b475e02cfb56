# Installation and the Debian package.
#
#   bin/zanmig, bin/zanmig-ide          the tool and the desktop host
#   lib/zanmig/zanmig-wizard.so         the wizard plug-in (the host finds it
#                                       there, or beside itself in the build tree)
#   share/man/man1/zanmig.1.gz          made from the help by help2man
#   share/bash-completion/completions/zanmig, share/zsh/vendor-completions/_zanmig
#   share/doc/zanmig/                   README.md, doc/, examples/
#
# `cpack -G DEB` (in the build folder) makes zanmig_<version>_<arch>.deb; its
# dependencies come from dpkg-shlibdeps (the C and C++ runtimes, Qt 6) plus
# what no library link shows (Qt's platform plug-ins, xdg-open).

include(GNUInstallDirs)

set(ZAN_PLUGIN_INSTALL_DIR lib/zanmig)
file(RELATIVE_PATH ZAN_PLUGIN_DIR_FROM_BIN /${CMAKE_INSTALL_BINDIR} /${ZAN_PLUGIN_INSTALL_DIR})

if(TARGET zanmig_cli)
  install(TARGETS zanmig_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET zanmig_ide_app)
  install(TARGETS zanmig_ide_app RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET zanmig_desktop)
  target_compile_definitions(zanmig_desktop PRIVATE
                             ZAN_PLUGIN_DIR_FROM_BIN="${ZAN_PLUGIN_DIR_FROM_BIN}")
endif()
if(TARGET zanmig_wizard_plugin)
  install(TARGETS zanmig_wizard_plugin LIBRARY DESTINATION ${ZAN_PLUGIN_INSTALL_DIR})
endif()

# The manual page, from `zanmig --help`, the help of each command and
# packaging/zanmig.h2m, compressed as Debian wants it.
find_program(HELP2MAN_EXECUTABLE help2man)
if(TARGET zanmig_cli AND HELP2MAN_EXECUTABLE)
  set(ZAN_MAN_PAGE ${CMAKE_BINARY_DIR}/man/zanmig.1)
  add_custom_command(
    OUTPUT ${ZAN_MAN_PAGE} ${ZAN_MAN_PAGE}.gz
    COMMAND ${CMAKE_COMMAND} -DZANMIG=$<TARGET_FILE:zanmig_cli> -DVERSION=${PROJECT_VERSION}
            -DHELP2MAN=${HELP2MAN_EXECUTABLE}
            -DINCLUDE=${CMAKE_SOURCE_DIR}/packaging/zanmig.h2m -DOUTPUT=${ZAN_MAN_PAGE}
            -P ${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake
    DEPENDS zanmig_cli ${CMAKE_SOURCE_DIR}/packaging/zanmig.h2m
            ${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake
    COMMENT "Making the manual page zanmig(1)")
  add_custom_target(zanmig_man ALL DEPENDS ${ZAN_MAN_PAGE}.gz)
  install(FILES ${ZAN_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
elseif(TARGET zanmig_cli)
  message(WARNING "help2man not found (scripts/setup installs it): no manual page")
endif()

install(FILES packaging/zanmig.bash-completion DESTINATION share/bash-completion/completions
        RENAME zanmig)
install(FILES packaging/_zanmig DESTINATION share/zsh/vendor-completions)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY doc DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY examples DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME zanmig)
set(CPACK_PACKAGE_VENDOR "Kestova")
set(CPACK_PACKAGE_CONTACT "zanmig maintainers <zanmig@kestova.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "migrates Delphi applications from data-access libraries to Zanthe")
set(CPACK_PACKAGE_DESCRIPTION
    "zanmig converts the units and forms of a Delphi project from one of twelve
data-access component libraries to the Zanthe library, with backups and an
undo file. It ships the command-line tool, the migration wizard plug-in and
a small Qt desktop host for the wizard.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not seen by dpkg-shlibdeps: Qt loads its platform plug-ins at run time,
# and --view-log opens the log through xdg-open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
include(CPack)
