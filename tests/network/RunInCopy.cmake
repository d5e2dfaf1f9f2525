# Runs PROGRAM with "-f omnetpp.ini" in a fresh copy of the directory SOURCE
# (the copy is WORK, removed afterwards), prints what it printed and its exit
# code, and fails when the run wrote none of the files listed in EXPECT
# (paths inside the copy; a list separated by ';') or when a file named in
# MATCH does not hold its text (entries "path=regular expression"; with
# "path!=regular expression" the file must not hold it).
# Optional: OVERLAY, files copied into the copy over those of SOURCE; INI, the
# ini file to run (omnetpp.ini when not given); CHECK, a program run with the
# copy's path once the run is over, whose non-zero exit fails the test, and
# CHECK_ARGS, more arguments for it. What the run printed is kept in the copy
# as RunOutput.txt for CHECK.
if(NOT INI)
  set(INI omnetpp.ini)
endif()
file(REMOVE_RECURSE "${WORK}")
# The inputs only: the files at the top of SOURCE, not what a run there left
# in its folders (progData/).
file(GLOB inputs LIST_DIRECTORIES false "${SOURCE}/*")
file(MAKE_DIRECTORY "${WORK}")
file(COPY ${inputs} DESTINATION "${WORK}")
# file(COPY) leaves out a file whose copy has the same time stamp, to the
# second: an overlay made in the same second as the file it replaces (a fresh
# clone and its build) would be left out. Removing the file first avoids that.
foreach(f IN LISTS OVERLAY)
  get_filename_component(overlaid "${f}" NAME)
  file(REMOVE "${WORK}/${overlaid}")
  file(COPY "${f}" DESTINATION "${WORK}")
endforeach()
execute_process(COMMAND "${PROGRAM}" -f "${INI}"
                WORKING_DIRECTORY "${WORK}"
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
string(STRIP "${out}${err}" printed)
message("${printed}")
message("exit code ${rc}")
set(missing "")
set(wrong "")
foreach(f IN LISTS EXPECT)
  if(NOT EXISTS "${WORK}/${f}")
    list(APPEND missing "${f}")
  endif()
endforeach()
foreach(m IN LISTS MATCH)
  string(FIND "${m}" "=" eq)
  math(EXPR from "${eq} + 1")
  string(SUBSTRING "${m}" ${from} -1 pattern)
  set(negate FALSE)
  math(EXPR end "${eq} - 1")
  if(eq GREATER 0)
    string(SUBSTRING "${m}" ${end} 1 before)
    if(before STREQUAL "!")
      set(negate TRUE)
      set(eq ${end})
    endif()
  endif()
  string(SUBSTRING "${m}" 0 ${eq} f)
  if(EXISTS "${WORK}/${f}")
    file(READ "${WORK}/${f}" text)
    if(text MATCHES "${pattern}")
      set(found TRUE)
    else()
      set(found FALSE)
    endif()
    if(found AND negate)
      list(APPEND wrong "${f} holds ${pattern}")
    elseif(NOT found AND NOT negate)
      list(APPEND wrong "${f} lacks ${pattern}")
    endif()
  endif()
endforeach()
set(checked 0)
if(CHECK)
  file(WRITE "${WORK}/RunOutput.txt" "${printed}\n")
  execute_process(COMMAND "${CHECK}" "${WORK}" ${CHECK_ARGS} OUTPUT_VARIABLE report ERROR_VARIABLE report RESULT_VARIABLE checked)
  string(STRIP "${report}" report)
  message("${report}")
endif()
file(REMOVE_RECURSE "${WORK}")
if(NOT checked EQUAL 0)
  message(FATAL_ERROR "the run failed its check")
endif()
if(missing)
  message(FATAL_ERROR "the run wrote no ${missing}")
endif()
if(wrong)
  message(FATAL_ERROR "the run wrote wrong output: ${wrong}")
endif()
