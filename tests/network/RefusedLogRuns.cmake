# Runs PROGRAM in a copy of the test bed SOURCE (in WORK, removed afterwards)
# once per log setting that names a file the run reads, or the file of
# another log: each run must stop at set-up with exit code 1 and the message
# naming both settings or files, and leave every input file as it was and no
# output written.

set(failures "")

file(REMOVE_RECURSE "${WORK}")
file(GLOB inputs LIST_DIRECTORIES false "${SOURCE}/*")
file(MAKE_DIRECTORY "${WORK}")
file(COPY ${inputs} DESTINATION "${WORK}")

# Runs the copy with SETTING (a line of [Parameters]) ahead of its
# omnetpp.ini and fails unless the run stops with exit code 1 and a message
# matching WANT, and every input is still as shipped.
function(refused setting want)
  file(WRITE "${WORK}/refused.ini" "[Parameters]\n${setting}\n\ninclude omnetpp.ini\n")
  execute_process(COMMAND "${PROGRAM}" -f refused.ini WORKING_DIRECTORY "${WORK}"
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  message("${setting}: exit code ${rc}\n${out}${err}")
  if(NOT rc EQUAL 1 OR NOT "${err}" MATCHES "${want}")
    message("FAILED: ${setting} stops the run with \"${want}\"")
    set(failures "${failures}; ${setting}" PARENT_SCOPE)
  endif()
  foreach(f IN LISTS inputs)
    get_filename_component(name "${f}" NAME)
    file(SHA1 "${f}" shipped)
    set(now "")
    if(EXISTS "${WORK}/${name}")
      file(SHA1 "${WORK}/${name}" now)
    endif()
    if(NOT now STREQUAL shipped)
      message("FAILED: ${setting} leaves ${name} as it was")
      set(failures "${failures}; ${name} after ${setting}" PARENT_SCOPE)
      file(COPY "${f}" DESTINATION "${WORK}")
    endif()
  endforeach()
  if(EXISTS "${WORK}/progData")
    message("FAILED: ${setting} writes no output")
    set(failures "${failures}; progData after ${setting}" PARENT_SCOPE)
    file(REMOVE_RECURSE "${WORK}/progData")
  endif()
endfunction()

set(tail ": a log is removed at set-up and written over, so it needs a file of its own. Please check the file \"refused.ini\"")
refused("Velmora.zoneSetConfFile = \"ZoneSet.txt\""
        "---> zoneSetConfFile = \"ZoneSet.txt\" names a file the run reads, the file of zoneSetFile = \"ZoneSet.txt\"${tail}")
refused("Velmora.linkEvConfFile = \"./LinkEvents.txt\""
        "---> linkEvConfFile = \"./LinkEvents.txt\" names a file the run reads, the file of linkEventFile = \"LinkEvents.txt\"${tail}")
refused("Velmora.ioFailFile = \"omnetpp.ini\""
        "---> ioFailFile = \"omnetpp.ini\" names a file the run reads, the ini file \"omnetpp.ini\"${tail}")
refused("Velmora.warningsFile = \"Dev3.conf\""
        "---> warningsFile = \"Dev3.conf\" names a file the run reads, the file of Velmora.DataCtr3.Dev3.confFile = \"Dev3.conf\"${tail}")
refused("Velmora.timingFile = \"HostCpu.ini\""
        "---> timingFile = \"HostCpu.ini\" names a file the run reads, the model file \"HostCpu.ini\" that \"Host1.conf\" names${tail}")
refused("Velmora.nxPortMapFile = \"VM36G15K.seek.full.ini\""
        "---> nxPortMapFile = \"VM36G15K.seek.full.ini\" names a file the run reads, the model file \"VM36G15K.seek.full.ini\" that \"Dev1.conf\" names${tail}")
refused("Velmora.timingFile = \"progData/../progData/Warnings.txt\""
        "---> timingFile = \"progData/../progData/Warnings.txt\" names the file of warningsFile = \"progData/Warnings.txt\": each log needs a file of its own. Please check the file \"refused.ini\"")

file(REMOVE_RECURSE "${WORK}")
if(failures)
  message(FATAL_ERROR "refused log settings: ${failures}")
endif()
