# Runs PROGRAM with "-f omnetpp.ini" in a fresh copy of the directory SOURCE
# (the copy is WORK, removed afterwards), prints what it printed and its exit
# code, and fails when the run wrote none of the files listed in EXPECT
# (paths inside the copy; a list separated by ';').
file(REMOVE_RECURSE "${WORK}")
file(COPY "${SOURCE}/" DESTINATION "${WORK}")
execute_process(COMMAND "${PROGRAM}" -f omnetpp.ini
                WORKING_DIRECTORY "${WORK}"
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
string(STRIP "${out}${err}" printed)
message("${printed}")
message("exit code ${rc}")
set(missing "")
foreach(f IN LISTS EXPECT)
  if(NOT EXISTS "${WORK}/${f}")
    list(APPEND missing "${f}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK}")
if(missing)
  message(FATAL_ERROR "the run wrote no ${missing}")
endif()
