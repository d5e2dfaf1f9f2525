# Runs PROGRAM on copies of the test bed SOURCE in WORK (removed afterwards)
# and checks the line that closes each run against what the run wrote: the
# I/Os requested, completed and aborted summed over
# finish/ScsiInitiator.Finish, the warnings and rows of Warnings.txt and the
# rows of IoFail.txt.
#
# 1. No link events, every LUN in its mask and no write before its remote
#    copy is known: nothing is aborted or warned of, so --quiet prints
#    nothing at all; without it the line says so.
# 2. A LUN-mask typo in Host1.conf: the host's I/Os to that LUN abort, the
#    run still ends with exit code 0, and even --quiet prints the line, which
#    names IoFail.txt.

set(failures "")
function(fail what)
  message("FAILED: ${what}")
  set(failures "${failures}; ${what}" PARENT_SCOPE)
endfunction()

# Fails unless VALUE is above BOUND.
function(expect_above value bound what)
  if(NOT value GREATER bound)
    fail("${what}")
  endif()
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

function(copy_bed)
  file(REMOVE_RECURSE "${WORK}")
  file(GLOB inputs LIST_DIRECTORIES false "${SOURCE}/*")
  file(MAKE_DIRECTORY "${WORK}")
  file(COPY ${inputs} DESTINATION "${WORK}")
endfunction()

# Replaces REGEX by REPLACEMENT in FILE of the copy; fails with WHAT when
# nothing matches.
function(edit_copy file regex replacement what)
  file(READ "${WORK}/${file}" text)
  string(REGEX REPLACE "${regex}" "${replacement}" edited "${text}")
  if(edited STREQUAL text)
    fail("${what}")
  endif()
  file(WRITE "${WORK}/${file}" "${edited}")
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

# Runs the copy with the given options; sets rc and err (stderr) in the caller.
function(run_bed)
  execute_process(COMMAND "${PROGRAM}" -f omnetpp.ini ${ARGN}
                  WORKING_DIRECTORY "${WORK}"
                  OUTPUT_QUIET ERROR_VARIABLE e RESULT_VARIABLE r)
  message("run ${ARGN}: exit code ${r}\n${e}")
  set(rc ${r} PARENT_SCOPE)
  set(err "${e}" PARENT_SCOPE)
endfunction()

# Sums the figure after LABEL over every initiator of ScsiInitiator.Finish.
function(finish_sum label out)
  file(STRINGS "${WORK}/progData/finish/ScsiInitiator.Finish" rows REGEX "${label} *:")
  set(sum 0)
  foreach(row IN LISTS rows)
    string(REGEX MATCH "[0-9]+$" n "${row}")
    math(EXPR sum "${sum} + ${n}")
  endforeach()
  set(${out} ${sum} PARENT_SCOPE)
endfunction()

# The rows of a log (each starts with its number) that match REGEX; 0 when
# the run did not write the log.
function(log_rows file regex out)
  set(n 0)
  if(EXISTS "${WORK}/${file}")
    file(STRINGS "${WORK}/${file}" rows REGEX "^ *[0-9]+ .*${regex}")
    list(LENGTH rows n)
  endif()
  set(${out} ${n} PARENT_SCOPE)
endfunction()

# Fails unless LINE starts with the initiators' totals of the run.
function(check_totals line)
  finish_sum("IO Reqs" requested)
  finish_sum("IOs succ" completed)
  finish_sum("IOs abrt" aborted)
  set(want "${requested} I/Os requested, ${completed} completed, ${aborted} aborted; ")
  string(FIND "${line}" "${want}" at)
  if(NOT at EQUAL 0)
    fail("the line starts with the initiators' totals: ${want}")
  endif()
  expect_above(${requested} 1000 "the test bed requests its I/Os (${requested})")
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

# The closing line in stderr ERR, without its "** ".
function(closing_line err out)
  string(REGEX MATCH "\\*\\* [0-9]+ I/Os requested[^\n]*" line "${err}")
  string(REPLACE "** " "" line "${line}")
  set(${out} "${line}" PARENT_SCOPE)
endfunction()

# Fails unless LINE ends with WANT.
function(expect_ending line want)
  string(FIND "${line}" "${want}" at REVERSE)
  string(LENGTH "${line}" n)
  string(LENGTH "${want}" w)
  math(EXPR end "${n} - ${w}")
  if(at EQUAL -1 OR NOT at EQUAL end)
    fail("the line \"${line}\" ends \"${want}\"")
  endif()
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

# 1. A clean run. Host1's and Host2's database streams start half a second
# after their LUNs are found, when the remote copies are known too, so that
# no write goes uncopied.
copy_bed()
file(WRITE "${WORK}/LinkEvents.txt" "; no link events\n")
foreach(host Host1 Host2)
  edit_copy(${host}.conf "\n(DC1_ORA_[A-Z]+ +[0-9]+ +)[0-9]+ " "\n\\1500 " "${host}.conf has database streams to start late")
endforeach()
run_bed(--quiet)
if(NOT rc EQUAL 0)
  fail("the clean run ends with exit code 0")
endif()
if(NOT err STREQUAL "")
  fail("a quiet clean run prints nothing on stderr")
endif()
run_bed()
closing_line("${err}" line)
check_totals("${line}")
finish_sum("IOs abrt" aborted)
if(NOT aborted EQUAL 0)
  fail("no I/O of the clean run aborts")
endif()
log_rows(progData/Warnings.txt "" rows)
expect_above(${rows} 0 "the clean run logs its notices")
expect_ending("${line}" "; no warnings among the ${rows} rows of progData/Warnings.txt")
if(EXISTS "${WORK}/progData/IoFail.txt")
  fail("the clean run writes no IoFail.txt")
endif()
if(NOT err MATCHES "No more events at[^\n]*\n\\*\\* [0-9]+ I/Os requested")
  fail("the closing line follows the run's end")
endif()

# 2. A LUN-mask typo.
copy_bed()
edit_copy(Host1.conf "\nDC1_ORA_DATA( +[0-9]+,[0-9]+ )" "\nDC1_ORA_DATX\\1" "Host1.conf has a LUN mask line to misspell")
run_bed(--quiet)
if(NOT rc EQUAL 0)
  fail("the run with aborted I/Os still ends with exit code 0")
endif()
closing_line("${err}" line)
check_totals("${line}")
finish_sum("IOs abrt" aborted)
expect_above(${aborted} 100 "Host1's I/Os to the misspelt LUN abort (${aborted})")
log_rows(progData/Warnings.txt "" rows)
log_rows(progData/Warnings.txt "(WARNING|ALERT):" warned)
log_rows(progData/IoFail.txt "" fails)
expect_above(${fails} 0 "the aborts are rows of IoFail.txt")
expect_above(${warned} 0 "the link events of the run are warned of")
expect_ending("${line}" "; ${warned} warnings among the ${rows} rows of progData/Warnings.txt; ${fails} rows in progData/IoFail.txt")

file(REMOVE_RECURSE "${WORK}")
if(failures)
  message(FATAL_ERROR "closing line:${failures}")
endif()
