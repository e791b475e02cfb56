# Installation and the two Debian packages, made from one build:
#
#   zanmig (component "tool"; no Qt)
#     bin/zanmig
#     share/man/man1/zanmig.1.gz            made from the help by help2man
#     share/bash-completion/completions/zanmig, share/zsh/vendor-completions/_zanmig
#     share/doc/zanmig/                     README.md, doc/, examples/, copyright,
#                                           changelog.Debian.gz
#   zanmig-ide (component "ide"; depends on zanmig of the same version)
#     bin/zanmig-ide                        the desktop host
#     lib/zanmig/zanmig-wizard.so           the wizard plug-in, private to the host
#                                           (it finds it there, or beside itself in
#                                           the build tree)
#     share/man/man1/zanmig-ide.1.gz
#     share/applications/zanmig-ide.desktop, share/icons/hicolor/scalable/apps/zanmig-ide.svg
#     share/doc/zanmig-ide/                 copyright, changelog.Debian.gz
#   and in each, share/lintian/overrides/<package> (packaging/lintian/)
#
# `cpack -G DEB` (in the build folder) makes zanmig_<version>_<arch>.deb and
# zanmig-ide_<version>_<arch>.deb. `cmake --install` installs both.

include(GNUInstallDirs)

set(ZAN_PLUGIN_INSTALL_DIR lib/zanmig)
file(RELATIVE_PATH ZAN_PLUGIN_DIR_FROM_BIN /${CMAKE_INSTALL_BINDIR} /${ZAN_PLUGIN_INSTALL_DIR})
set(ZAN_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc)

if(TARGET zanmig_cli)
  install(TARGETS zanmig_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
endif()
if(TARGET zanmig_ide_app)
  install(TARGETS zanmig_ide_app RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ide)
endif()
if(TARGET zanmig_desktop)
  target_compile_definitions(zanmig_desktop PRIVATE
                             ZAN_PLUGIN_DIR_FROM_BIN="${ZAN_PLUGIN_DIR_FROM_BIN}")
endif()
if(TARGET zanmig_wizard_plugin)
  install(TARGETS zanmig_wizard_plugin LIBRARY DESTINATION ${ZAN_PLUGIN_INSTALL_DIR}
          COMPONENT ide)
endif()

# The manual pages, from each program's help and packaging/<program>.h2m,
# compressed as Debian wants them (cmake/ManPage.cmake).
find_program(HELP2MAN_EXECUTABLE help2man)
function(zan_man_page target program summary commands component)
  set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
  add_custom_command(
    OUTPUT ${page} ${page}.gz
    COMMAND ${CMAKE_COMMAND} -DZANMIG=$<TARGET_FILE:${target}> -DVERSION=${PROJECT_VERSION}
            -DHELP2MAN=${HELP2MAN_EXECUTABLE} -DNAME=${summary} -DCOMMANDS=${commands}
            -DINCLUDE=${CMAKE_SOURCE_DIR}/packaging/${program}.h2m -DOUTPUT=${page}
            -P ${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake
    DEPENDS ${target} ${CMAKE_SOURCE_DIR}/packaging/${program}.h2m
            ${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake
    COMMENT "Making the manual page ${program}(1)")
  string(REPLACE "-" "_" name ${program})
  add_custom_target(${name}_man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()
if(HELP2MAN_EXECUTABLE)
  if(TARGET zanmig_cli)
    zan_man_page(zanmig_cli zanmig
                 "migrates Delphi applications from data-access libraries to Zanthe" ON tool)
  endif()
  if(TARGET zanmig_ide_app)
    zan_man_page(zanmig_ide_app zanmig-ide "desktop host of the Zanthe migration wizard" OFF ide)
  endif()
elseif(TARGET zanmig_cli)
  message(WARNING "help2man not found (scripts/setup installs it): no manual pages")
endif()

# Debian's changelog, compressed without name or time stamp (gzip -9n) so
# that two builds give the same bytes; each package carries it with its
# copyright file.
set(ZAN_CHANGELOG ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz)
add_custom_command(
  OUTPUT ${ZAN_CHANGELOG}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/packaging/changelog.Debian > ${ZAN_CHANGELOG}
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog.Debian
  COMMENT "Compressing the Debian changelog")
add_custom_target(zanmig_changelog ALL DEPENDS ${ZAN_CHANGELOG})
foreach(component tool ide)
  set(package zanmig)
  if(component STREQUAL "ide")
    set(package zanmig-ide)
  endif()
  install(FILES packaging/copyright ${ZAN_CHANGELOG} DESTINATION ${ZAN_DOC_DIR}/${package}
          COMPONENT ${component})
  # lintian's overrides, each with its reason (packaging/lintian/).
  install(FILES packaging/lintian/${package} DESTINATION share/lintian/overrides
          COMPONENT ${component})
endforeach()

install(FILES packaging/zanmig.bash-completion DESTINATION share/bash-completion/completions
        RENAME zanmig COMPONENT tool)
install(FILES packaging/_zanmig DESTINATION share/zsh/vendor-completions COMPONENT tool)
install(FILES README.md DESTINATION ${ZAN_DOC_DIR}/zanmig COMPONENT tool)
install(DIRECTORY doc examples DESTINATION ${ZAN_DOC_DIR}/zanmig COMPONENT tool)

if(TARGET zanmig_ide_app)
  install(FILES packaging/zanmig-ide.desktop DESTINATION share/applications COMPONENT ide)
  install(FILES packaging/zanmig-ide.svg DESTINATION share/icons/hicolor/scalable/apps
          COMPONENT ide)
endif()

set(CPACK_PACKAGE_NAME zanmig)
set(CPACK_PACKAGE_VENDOR "Kestova")
set(CPACK_PACKAGE_CONTACT "zanmig maintainers <zanmig@kestova.invalid>")
# (No CPACK_PACKAGE_DESCRIPTION_SUMMARY: CPack would put it before each
# package's own synopsis, the first line of its description below.)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tool)
if(TARGET zanmig_ide_app AND TARGET zanmig_wizard_plugin)
  list(APPEND CPACK_COMPONENTS_ALL ide)
endif()
# Directories 0755 (without this they take the build's umask).
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Debian revision: the first packaging of this upstream version; it must
# match the top entry of packaging/changelog.Debian.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME zanmig)
set(CPACK_DEBIAN_TOOL_DESCRIPTION
    "migrates Delphi applications from data-access libraries to Zanthe
zanmig converts the units and forms of a Delphi project from one of twelve
data-access component libraries to the Zanthe library, with backups and an
undo file from which it restores the originals. This package holds the
command-line tool, its manual page, shell completions and sample projects.")
set(CPACK_DEBIAN_TOOL_PACKAGE_SHLIBDEPS ON)
# --view-log opens the log through xdg-open, which no library link shows.
set(CPACK_DEBIAN_TOOL_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_TOOL_PACKAGE_SUGGESTS "bash-completion, zanmig-ide")

set(CPACK_DEBIAN_IDE_PACKAGE_NAME zanmig-ide)
set(CPACK_DEBIAN_IDE_DESCRIPTION
    "desktop host of the Zanthe migration wizard
zanmig-ide is a small Qt desktop host standing in for the IDE: it opens a
Delphi project, loads the migration wizard plug-in and shows the wizard,
which converts the project from a data-access component library to the
Zanthe library or restores it from a previous run, and a view of the
changes a run made.")
set(CPACK_COMPONENT_IDE_DEPENDS tool)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# dpkg-shlibdeps runs from cmake/PackageDepends.cmake instead of CPack's own
# pass: that pass would take the private plug-in in /usr/lib/zanmig for a
# public library and add ldconfig calls for it.
set(CPACK_DEBIAN_IDE_PACKAGE_SHLIBDEPS OFF)
if(TARGET zanmig_ide_app AND TARGET zanmig_wizard_plugin)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/packaging/ide-binaries.cmake
       CONTENT "set(ZAN_IDE_BINARIES \"$<TARGET_FILE:zanmig_ide_app>;$<TARGET_FILE:zanmig_wizard_plugin>\")\n")
  set(CPACK_ZAN_IDE_BINARIES_FILE ${CMAKE_BINARY_DIR}/packaging/ide-binaries.cmake)
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/PackageDepends.cmake)
endif()
include(CPack)
