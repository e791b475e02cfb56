# Makes a manual page with help2man (cmake -P): the program's own help and
# version, for zanmig each command's help as a sub-section of COMMANDS, and
# the hand-written sections of the .h2m file; then a gzip copy (-9, no name
# or time stamp) as Debian installs it.
#
#   -DZANMIG=path/to/zanmig -DVERSION=0.1.0 -DHELP2MAN=help2man -DINCLUDE=zanmig.h2m -DOUTPUT=man/zanmig.1
#   [-DNAME="one-line summary"] [-DCOMMANDS=OFF]  (zanmig-ide has no commands)

get_filename_component(folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
set(ENV{COLUMNS} 80)

# Roff: a backslash is written "\e"; a line starting with "." or "'" is
# protected by "\&".
function(zan_roff_lines text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

if(NOT DEFINED NAME)
  set(NAME "migrates Delphi applications from data-access libraries to Zanthe")
endif()
if(NOT DEFINED COMMANDS)
  set(COMMANDS ON)
endif()
# zanmig-ide prints its help before it needs a window system.
set(ENV{QT_QPA_PLATFORM} offscreen)

execute_process(COMMAND ${ZANMIG} --help OUTPUT_VARIABLE help RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${ZANMIG} --help failed")
endif()
# The command names: the lines of the "Commands:" list.
string(REGEX MATCH "\nCommands:\n(  [^\n]*\n)+" list "${help}")
string(REGEX MATCHALL "\n  [a-z]+ " names "${list}")
set(sections "[COMMANDS]\n")
if(NOT COMMANDS)
  set(names "")
  set(sections "")
endif()
foreach(name ${names})
  string(STRIP "${name}" name)
  execute_process(COMMAND ${ZANMIG} ${name} --help OUTPUT_VARIABLE text RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ZANMIG} ${name} --help failed")
  endif()
  # The global options are described once, under OPTIONS.
  string(REGEX REPLACE "\nGlobal options[^\n]*\n(  [^\n]*\n)+" "" text "${text}")
  zan_roff_lines("${text}" text)
  string(APPEND sections ".SS \"zanmig ${name}\"\n.nf\n${text}.fi\n")
endforeach()

file(READ ${INCLUDE} written)
file(WRITE ${OUTPUT}.h2m "${sections}\n${written}")
execute_process(
  COMMAND ${HELP2MAN} --no-info --section=1 --version-string=${VERSION}
          "--name=${NAME}"
          --include=${OUTPUT}.h2m --output=${OUTPUT} ${ZANMIG}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "help2man failed")
endif()
file(REMOVE ${OUTPUT}.gz)
execute_process(COMMAND gzip -9 -n -c ${OUTPUT} OUTPUT_FILE ${OUTPUT}.gz RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "gzip failed")
endif()
