# Installs the build into a temporary prefix (cmake --install --prefix), checks
# that every installed piece is where the package puts it and that the
# installed desktop host loads the installed plug-in, and runs the installed
# tool on a copy of examples/BDE: it must convert to the golden files, and
# `restore FOLDER` must give back the originals.
#
#   cmake -DBUILD_DIR=build -DSOURCE_DIR=. -DWORK_DIR=scratch [-DMAN_PAGE=ON] [-DDESKTOP=ON]
#         -P tests/install/InstallTest.cmake

function(fail)
  message(FATAL_ERROR "install test: ${ARGN}")
endfunction()

set(prefix ${WORK_DIR}/prefix)
set(work ${WORK_DIR}/BDE)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${work})

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                OUTPUT_QUIET RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  fail("cmake --install failed")
endif()

set(expected
    bin/zanmig
    share/bash-completion/completions/zanmig
    share/zsh/vendor-completions/_zanmig
    share/doc/zanmig/README.md
    share/doc/zanmig/copyright
    share/doc/zanmig/changelog.Debian.gz
    share/doc/zanmig/doc/replace_run.md
    share/doc/zanmig/examples/BDE/Orders.dpr
    share/doc/zanmig/examples/BDE/expected/Orders.dpr)
if(MAN_PAGE)
  list(APPEND expected share/man/man1/zanmig.1.gz)
endif()
if(DESKTOP)
  # The host looks for the plug-in in ../lib/zanmig from its own folder.
  list(APPEND expected bin/zanmig-ide lib/zanmig/zanmig-wizard.so
       share/applications/zanmig-ide.desktop share/icons/hicolor/scalable/apps/zanmig-ide.svg
       share/doc/zanmig-ide/copyright share/doc/zanmig-ide/changelog.Debian.gz)
  if(MAN_PAGE)
    list(APPEND expected share/man/man1/zanmig-ide.1.gz)
  endif()
endif()
foreach(file ${expected})
  if(NOT EXISTS ${prefix}/${file})
    fail("${file} was not installed")
  endif()
endforeach()

# The installed host loads the installed plug-in: the dynamic loader names
# what it loads (LD_DEBUG=files). The host runs until it is stopped.
if(DESKTOP)
  set(ENV{QT_QPA_PLATFORM} offscreen)
  set(ENV{ZANMIG_SETTINGS} ${WORK_DIR}/settings.ini)
  set(ENV{LD_DEBUG} files)
  execute_process(COMMAND ${prefix}/bin/zanmig-ide --settings ${WORK_DIR}/settings.ini
                  TIMEOUT 3 OUTPUT_VARIABLE out ERROR_VARIABLE loaded)
  unset(ENV{LD_DEBUG})
  if(NOT loaded MATCHES "file=${prefix}/lib/zanmig/zanmig-wizard.so")
    fail("the installed zanmig-ide did not load ${prefix}/lib/zanmig/zanmig-wizard.so")
  endif()
endif()

set(zanmig ${prefix}/bin/zanmig)
execute_process(COMMAND ${zanmig} --version OUTPUT_VARIABLE version RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT version MATCHES "^zanmig [0-9]+\\.[0-9]+\\.[0-9]+ \\(")
  fail("zanmig --version said: ${version}")
endif()

# The sample's own files (not its golden copies), converted by the installed tool.
file(GLOB sample LIST_DIRECTORIES false ${SOURCE_DIR}/examples/BDE/*)
file(COPY ${sample} DESTINATION ${work})
execute_process(COMMAND ${zanmig} replace --library BDE --project Orders.dpr --quiet
                WORKING_DIRECTORY ${work} OUTPUT_VARIABLE out ERROR_VARIABLE err
                RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT out STREQUAL "Replace procedure was performed sucessfully.\n")
  fail("replace exited ${result}: ${out}${err}")
endif()
file(GLOB golden RELATIVE ${SOURCE_DIR}/examples/BDE/expected ${SOURCE_DIR}/examples/BDE/expected/*)
if(NOT golden)
  fail("no golden files in examples/BDE/expected")
endif()
foreach(name ${golden})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${work}/${name}
                          ${SOURCE_DIR}/examples/BDE/expected/${name} RESULT_VARIABLE differs)
  if(differs)
    fail("${name} differs from examples/BDE/expected/${name}")
  endif()
endforeach()

execute_process(COMMAND ${zanmig} restore ${work} OUTPUT_VARIABLE out ERROR_VARIABLE err
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  fail("restore exited ${result}: ${out}${err}")
endif()
foreach(file ${sample})
  get_filename_component(name ${file} NAME)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${work}/${name} ${file}
                  RESULT_VARIABLE differs)
  if(differs)
    fail("${name} was not restored")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK_DIR})
