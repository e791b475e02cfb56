# Makes the two Debian packages with cpack from the build and checks them as
# Debian would: zanmig holds the tool and no Qt, zanmig-ide the desktop host
# and the private plug-in and depends on zanmig of the same version; each
# carries its copyright and a reproducibly compressed changelog.Debian.gz; no
# maintainer script, shlibs or trigger (the plug-in is no public library);
# the binaries are hardened (RELRO with BIND_NOW, checked functions). Then,
# when lintian is installed, it must report no error and no warning.
#
#   cmake -DBUILD_DIR=build -DWORK_DIR=scratch -P tests/install/PackageTest.cmake

function(fail)
  message(FATAL_ERROR "package test: ${ARGN}")
endfunction()

# run(OUT command...): runs the command, fails on a non-zero exit.
function(run out)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE text ERROR_VARIABLE errors
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    fail("${ARGN} exited ${result}: ${text}${errors}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

foreach(tool dpkg-deb readelf gzip)
  find_program(have_${tool} ${tool})
  if(NOT have_${tool})
    message("package test skipped: ${tool} is not installed")
    return()
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
run(out cpack --config ${BUILD_DIR}/CPackConfig.cmake -G DEB -B ${WORK_DIR})
file(GLOB debs ${WORK_DIR}/*.deb)
list(LENGTH debs count)
file(GLOB tool_deb ${WORK_DIR}/zanmig_*.deb)
file(GLOB ide_deb ${WORK_DIR}/zanmig-ide_*.deb)
if(NOT count EQUAL 2 OR NOT tool_deb OR NOT ide_deb)
  fail("cpack made ${debs}, not zanmig_*.deb and zanmig-ide_*.deb")
endif()

run(version dpkg-deb --field ${tool_deb} Version)
string(STRIP "${version}" version)
run(tool_depends dpkg-deb --field ${tool_deb} Depends)
run(ide_depends dpkg-deb --field ${ide_deb} Depends)
if(tool_depends MATCHES "qt6|libQt")
  fail("zanmig depends on Qt: ${tool_depends}")
endif()
if(NOT tool_depends MATCHES "libstdc\\+\\+6")
  fail("zanmig lacks its shared-library dependencies: ${tool_depends}")
endif()
foreach(want "zanmig \\(= ${version}\\)" "libqt6widgets6" "qt6-qpa-plugins" "libstdc\\+\\+6")
  if(NOT ide_depends MATCHES "${want}")
    string(REPLACE "\\" "" want "${want}")
    fail("zanmig-ide does not depend on ${want}: ${ide_depends}")
  endif()
endforeach()

foreach(package zanmig zanmig-ide)
  if(package STREQUAL "zanmig")
    set(deb ${tool_deb})
    set(files usr/bin/zanmig usr/share/man/man1/zanmig.1.gz
              usr/share/bash-completion/completions/zanmig usr/share/zsh/vendor-completions/_zanmig
              usr/share/doc/zanmig/README.md usr/share/doc/zanmig/examples/BDE/Orders.dpr)
  else()
    set(deb ${ide_deb})
    set(files usr/bin/zanmig-ide usr/lib/zanmig/zanmig-wizard.so usr/share/man/man1/zanmig-ide.1.gz
              usr/share/applications/zanmig-ide.desktop
              usr/share/icons/hicolor/scalable/apps/zanmig-ide.svg)
  endif()
  set(root ${WORK_DIR}/${package})
  run(out dpkg-deb --raw-extract ${deb} ${root})
  foreach(file ${files} usr/share/doc/${package}/copyright
          usr/share/doc/${package}/changelog.Debian.gz)
    if(NOT EXISTS ${root}/${file})
      fail("${package} does not hold /${file}")
    endif()
  endforeach()
  foreach(control postinst postrm triggers shlibs)
    if(EXISTS ${root}/DEBIAN/${control})
      file(READ ${root}/DEBIAN/${control} text)
      fail("${package} has a ${control} control file: ${text}")
    endif()
  endforeach()
  # gzip -9n: no file name (flags 0), time stamp 0 (bytes 4 to 7), so that
  # rebuilds are identical.
  file(READ ${root}/usr/share/doc/${package}/changelog.Debian.gz header LIMIT 10 HEX)
  if(NOT header MATCHES "^1f8b080000000000..")
    fail("${package}'s changelog.Debian.gz is not compressed with gzip -9n: ${header}")
  endif()
  run(changelog gzip -dc ${root}/usr/share/doc/${package}/changelog.Debian.gz)
  if(NOT changelog MATCHES "^zanmig \\(${version}\\) ")
    fail("${package}'s changelog does not start with version ${version}: ${changelog}")
  endif()
endforeach()

# Hardening, read off the packaged binaries.
set(ide_root ${WORK_DIR}/zanmig-ide)
foreach(binary ${WORK_DIR}/zanmig/usr/bin/zanmig ${ide_root}/usr/bin/zanmig-ide
        ${ide_root}/usr/lib/zanmig/zanmig-wizard.so)
  run(program_headers readelf --wide --program-headers ${binary})
  run(dynamic readelf --wide --dynamic ${binary})
  run(symbols readelf --wide --dyn-syms ${binary})
  if(NOT program_headers MATCHES "GNU_RELRO" OR NOT dynamic MATCHES "BIND_NOW")
    fail("${binary} is not linked with -z relro -z now")
  endif()
  if(NOT symbols MATCHES "__[a-z_]+_chk")
    fail("${binary} calls no checked function: not built with _FORTIFY_SOURCE")
  endif()
endforeach()

find_program(LINTIAN lintian)
if(LINTIAN)
  execute_process(COMMAND ${LINTIAN} --fail-on error,warning --allow-root ${tool_deb} ${ide_deb}
                  OUTPUT_VARIABLE out ERROR_VARIABLE errors RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR out MATCHES "(^|\n)[EW]: ")
    fail("lintian reports:\n${out}${errors}")
  endif()
else()
  message("lintian is not installed: the packages were not checked with it")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
