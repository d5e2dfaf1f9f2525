# Runs PROGRAM in a copy of the test bed SOURCE (in WORK, removed afterwards)
# once per log setting that names a file the run reads, or the file of
# another log: each run must stop at set-up with exit code 1 and the message
# naming both settings or files, and leave every input file as it was and no
# output written. Logs in files left by an earlier run under names that are
# only words of a device file, not models it names, are taken as logs.

set(failures "")

file(REMOVE_RECURSE "${WORK}")
file(GLOB inputs LIST_DIRECTORIES false "${SOURCE}/*")
file(MAKE_DIRECTORY "${WORK}")
file(COPY ${inputs} DESTINATION "${WORK}")

# Runs the copy with SETTING (lines of [Parameters]) ahead of its omnetpp.ini;
# `rc`, `out` and `err` are the run's.
macro(run_with setting)
  file(WRITE "${WORK}/refused.ini" "[Parameters]\n${setting}\n\ninclude omnetpp.ini\n")
  execute_process(COMMAND "${PROGRAM}" -f refused.ini WORKING_DIRECTORY "${WORK}"
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  message("${setting}: exit code ${rc}\n${out}${err}")
endmacro()

# Fails unless every input is still as shipped, restoring those that are not.
macro(check_inputs setting)
  foreach(f IN LISTS inputs)
    get_filename_component(name "${f}" NAME)
    file(SHA1 "${f}" shipped)
    set(now "")
    if(EXISTS "${WORK}/${name}")
      file(SHA1 "${WORK}/${name}" now)
    endif()
    if(NOT now STREQUAL shipped)
      message("FAILED: ${setting} leaves ${name} as it was")
      set(failures "${failures}; ${name} after ${setting}")
      file(COPY "${f}" DESTINATION "${WORK}")
    endif()
  endforeach()
endmacro()

# Fails unless the run with SETTING stops with exit code 1 and a message
# matching WANT, every input is still as shipped and no output is written.
function(refused setting want)
  run_with("${setting}")
  if(NOT rc EQUAL 1 OR NOT "${err}" MATCHES "${want}")
    message("FAILED: ${setting} stops the run with \"${want}\"")
    set(failures "${failures}; ${setting}")
  endif()
  check_inputs("${setting}")
  if(EXISTS "${WORK}/progData")
    message("FAILED: ${setting} writes no output")
    set(failures "${failures}; progData after ${setting}")
    file(REMOVE_RECURSE "${WORK}/progData")
  endif()
  set(failures "${failures}" PARENT_SCOPE)
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
# The model files of each model field of the host, array and switch files
# (an FC controller's model is read as a CPU model is).
foreach(model_of IN ITEMS "FcHba2G.ini=Host1.conf" "ChipCpu.ini=Dev1.conf" "FcArrayPort.ini=Dev1.conf"
                          "CmcCpu.ini=Dev1.conf" "VM36G15K.params.ini=Dev1.conf" "SwCpu.ini=Sw1.conf"
                          "FcSwAsic.ini=Sw1.conf")
  string(REPLACE "=" ";" model_of "${model_of}")
  list(GET model_of 0 model)
  list(GET model_of 1 device)
  refused("Velmora.warningsFile = \"${model}\""
          "---> warningsFile = \"${model}\" names a file the run reads, the model file \"${model}\" that \"${device}\" names${tail}")
endforeach()
# A model file that is not there yet: the log would be written at set-up and
# then read as the model.
file(READ "${WORK}/Host1.conf" host)
string(REPLACE "FcHba2G" "FcHba4G" host "${host}")
file(WRITE "${WORK}/Host1New.conf" "${host}")
refused("Velmora.DataCtr1.Host1.confFile = \"Host1New.conf\"\nVelmora.linkEvConfFile = \"FcHba4G.ini\""
        "---> linkEvConfFile = \"FcHba4G.ini\" names a file the run reads, the model file \"FcHba4G.ini\" that \"Host1New.conf\" names${tail}")
file(REMOVE "${WORK}/Host1New.conf")
refused("Velmora.timingFile = \"progData/../progData/Warnings.txt\""
        "---> timingFile = \"progData/../progData/Warnings.txt\" names the file of warningsFile = \"progData/Warnings.txt\": each log needs a file of its own. Please check the file \"refused.ini\"")

# Logs in files an earlier run left, named after a back-end board's CpuModel
# (kept, but no file is read) and a LUN: the run takes them as its logs.
set(setting "Velmora.skipScsiIo = true\nVelmora.warningsFile = \"AcpCpu.ini\"\nVelmora.ioFailFile = \"DC1_ORA_DATA.ini\"")
file(WRITE "${WORK}/AcpCpu.ini" "an earlier run's warnings\n")
file(WRITE "${WORK}/DC1_ORA_DATA.ini" "an earlier run's I/O failures\n")
run_with("${setting}")
file(READ "${WORK}/AcpCpu.ini" warnings)
if(NOT rc EQUAL 0 OR NOT warnings MATCHES "^Count +SimTime" OR EXISTS "${WORK}/DC1_ORA_DATA.ini")
  message("FAILED: ${setting} runs with its logs in AcpCpu.ini and DC1_ORA_DATA.ini")
  set(failures "${failures}; ${setting}")
endif()
check_inputs("${setting}")
file(REMOVE_RECURSE "${WORK}/progData" "${WORK}/AcpCpu.ini")

file(REMOVE_RECURSE "${WORK}")
if(failures)
  message(FATAL_ERROR "refused log settings: ${failures}")
endif()
