# The golden-output run: the shipped test bed with a smaller workload.
#
# Copies the test bed SOURCE into WORK, puts in each host file the stream
# table ([3]) of the same name from CONFIG (HostN.streams holds the [3]
# section of HostN.conf, heading included: same LUNs and patterns, fewer
# I/Os), runs PROGRAM with "-f omnetpp.ini" there and compares each file
# listed in LIST (one path under the copy a line; '#' starts a comment) with
# the file of the same path under EXPECTED; a path written "!path" names a
# file the run must not write. The run writes no wall-clock
# figure to its files; the copy's absolute path is masked (see mask_varying).
# The run's end ("No more events at ...") is kept as RunEnd.txt in
# the copy, so that its length in events is compared too. With UPDATE set, the masked
# outputs are written to EXPECTED instead. WORK is removed afterwards.

# Replaces section [3] of CONF (from its heading to the next heading) with
# the text of STREAMS. Worked on as text: the files' ';' comments and
# bracketed headings do not survive CMake lists.
function(replace_streams conf streams)
  file(READ "${conf}" text)
  string(FIND "\n${text}" "\n[3]\n" first)
  if(first EQUAL -1)
    message(FATAL_ERROR "${conf} has no section [3]")
  endif()
  string(SUBSTRING "${text}" 0 ${first} head)
  math(EXPR after "${first} + 4")
  string(SUBSTRING "${text}" ${after} -1 rest)
  string(FIND "${rest}" "\n[" end)
  set(tail "")
  if(end GREATER -1)
    math(EXPR end "${end} + 1")
    string(SUBSTRING "${rest}" ${end} -1 tail)
  endif()
  file(READ "${streams}" table)
  file(WRITE "${conf}" "${head}${table}\n${tail}")
endfunction()

# Masks what differs from checkout to checkout: the copy's absolute path.
function(mask_varying text_var)
  set(text "${${text_var}}")
  string(REPLACE "${WORK}/" "" text "${text}")
  string(REPLACE "${WORK}" "." text "${text}")
  set(${text_var} "${text}" PARENT_SCOPE)
endfunction()

# The line of TEXT that holds character AT (TEXT ends each line with "\n").
function(line_at text at line_var)
  string(SUBSTRING "${text}" 0 ${at} before)
  string(FIND "${before}" "\n" start REVERSE)
  math(EXPR start "${start} + 1")
  string(SUBSTRING "${text}" ${start} -1 rest)
  string(FIND "${rest}" "\n" end)
  string(SUBSTRING "${rest}" 0 ${end} line)
  set(${line_var} "${line}" PARENT_SCOPE)
endfunction()

# Prints the first line where ACTUAL and EXPECTED differ. The common prefix
# is found by halving, so that a long file costs a few comparisons.
function(first_difference name actual expected)
  string(LENGTH "${actual}" n_got)
  string(LENGTH "${expected}" n_want)
  set(low 0)
  set(high ${n_got})
  if(n_want LESS high)
    set(high ${n_want})
  endif()
  while(low LESS high)
    math(EXPR mid "(${low} + ${high} + 1) / 2")
    string(SUBSTRING "${actual}" 0 ${mid} a)
    string(SUBSTRING "${expected}" 0 ${mid} e)
    if(a STREQUAL e)
      set(low ${mid})
    else()
      math(EXPR high "${mid} - 1")
    endif()
  endwhile()
  string(SUBSTRING "${actual}" 0 ${low} common)
  string(REGEX MATCHALL "\n" breaks "${common}")
  list(LENGTH breaks line)
  math(EXPR line "${line} + 1")
  line_at("${expected}\n" ${low} want)
  line_at("${actual}\n" ${low} got)
  if(low EQUAL n_got)
    set(got "(end of file)")
  elseif(low EQUAL n_want)
    set(want "(end of file)")
  endif()
  message("${name} differs at line ${line}:\n  expected: ${want}\n  got:      ${got}")
endfunction()

file(STRINGS "${LIST}" FILES REGEX "^[^#]")
file(REMOVE_RECURSE "${WORK}")
# The inputs only: the files at the top of SOURCE, not what a run there left
# in its folders (progData/).
file(GLOB inputs LIST_DIRECTORIES false "${SOURCE}/*")
file(MAKE_DIRECTORY "${WORK}")
file(COPY ${inputs} DESTINATION "${WORK}")
file(GLOB streams "${CONFIG}/*.streams")
foreach(s IN LISTS streams)
  get_filename_component(host "${s}" NAME_WE)
  if(NOT EXISTS "${WORK}/${host}.conf")
    message(FATAL_ERROR "${s} names no host file of the test bed")
  endif()
  replace_streams("${WORK}/${host}.conf" "${s}")
endforeach()

execute_process(COMMAND "${PROGRAM}" -f omnetpp.ini
                WORKING_DIRECTORY "${WORK}"
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
string(STRIP "${out}${err}" printed)
message("${printed}")
if(NOT rc EQUAL 0)
  file(REMOVE_RECURSE "${WORK}")
  message(FATAL_ERROR "the run ended with exit code ${rc}")
endif()
string(REGEX MATCH "No more events at [^\n]*" run_end "${printed}")
file(WRITE "${WORK}/RunEnd.txt" "${run_end}\n")

set(failed "")
foreach(f IN LISTS FILES)
  if(f MATCHES "^!(.*)")
    if(EXISTS "${WORK}/${CMAKE_MATCH_1}")
      list(APPEND failed "${CMAKE_MATCH_1}")
      message("the run wrote ${CMAKE_MATCH_1}, which it should not have")
    endif()
    continue()
  endif()
  if(NOT EXISTS "${WORK}/${f}")
    list(APPEND failed "${f}")
    message("the run wrote no ${f}")
    continue()
  endif()
  file(READ "${WORK}/${f}" actual)
  mask_varying(actual)
  if(UPDATE)
    file(WRITE "${EXPECTED}/${f}" "${actual}")
    continue()
  endif()
  if(NOT EXISTS "${EXPECTED}/${f}")
    list(APPEND failed "${f}")
    message("no expected file ${EXPECTED}/${f}")
    continue()
  endif()
  file(READ "${EXPECTED}/${f}" expected)
  if(NOT actual STREQUAL expected)
    list(APPEND failed "${f}")
    first_difference("${f}" "${actual}" "${expected}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK}")
if(failed)
  message(FATAL_ERROR "golden files differ: ${failed}")
endif()
if(UPDATE)
  message("wrote the expected files under ${EXPECTED}")
else()
  message("every golden file matches")
endif()
