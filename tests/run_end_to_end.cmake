# Runs the converter on each case folder DATA_DIR/e2e/<case>/ holding:
#   chart.dwi      the chart, copied to WORK_DIR/<case>/ and converted there
#   args           the arguments after the chart, one a line (empty: an
#                  information run)
#   expected.exit  the exit status
#   expected.log   standard output, compared line for line; an expected line
#                  that ends in "*" only has to begin with the text before it.
#                  Without this file standard output is not compared.
#   expected.err   standard error, compared as standard output is; without
#                  it standard error must be empty, and the exit status 0
#   expected.kvt   the timing file chart.kvt, compared byte for byte; without
#                  it the run must leave chart.kvt as it found it
#   existing.kvt   optional: put in place as chart.kvt before the run
# No run may leave any other file behind in its folder.
cmake_minimum_required(VERSION 3.20)

foreach(var CONVERTER DATA_DIR WORK_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_end_to_end.cmake needs -D${var}=...")
  endif()
endforeach()

# Splits text into a list of lines with ";", "[" and "]" replaced by
# placeholders, so that every line is one list element.
function(split_lines text out)
  string(REPLACE ";" "<semicolon>" text "${text}")
  string(REPLACE "[" "<open>" text "${text}")
  string(REPLACE "]" "<close>" text "${text}")
  string(REGEX REPLACE "\n$" "" text "${text}")
  if(text STREQUAL "")
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  string(REPLACE "\n" ";" lines "${text}")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

function(shown line out)
  string(REPLACE "<semicolon>" ";" line "${line}")
  string(REPLACE "<open>" "[" line "${line}")
  string(REPLACE "<close>" "]" line "${line}")
  set(${out} "${line}" PARENT_SCOPE)
endfunction()

# Fails on the first line where `got` departs from `expected`; `stream` names
# what was read.
function(compare_lines case stream got expected)
  split_lines("${got}" got_lines)
  split_lines("${expected}" expected_lines)
  list(LENGTH got_lines got_count)
  list(LENGTH expected_lines expected_count)
  set(index 0)
  while(index LESS got_count OR index LESS expected_count)
    math(EXPR number "${index} + 1")
    if(index LESS got_count)
      list(GET got_lines ${index} got_line)
    endif()
    if(index LESS expected_count)
      list(GET expected_lines ${index} expected_line)
    endif()
    if(NOT index LESS got_count)
      shown("${expected_line}" e)
      message(FATAL_ERROR "${case}: ${stream} ends after ${got_count} lines; "
        "expected ${expected_count}, line ${number} being\n  ${e}\n--- got ---\n${got}")
    elseif(NOT index LESS expected_count)
      shown("${got_line}" g)
      message(FATAL_ERROR "${case}: ${stream} has ${got_count} lines, expected "
        "${expected_count}; line ${number} is extra:\n  ${g}\n--- got ---\n${got}")
    endif()
    set(same FALSE)
    if(expected_line MATCHES "\\*$")
      string(REGEX REPLACE "\\*$" "" prefix "${expected_line}")
      string(LENGTH "${prefix}" prefix_length)
      string(SUBSTRING "${got_line}" 0 ${prefix_length} got_start)
      if(got_start STREQUAL prefix)
        set(same TRUE)
      endif()
    elseif(got_line STREQUAL expected_line)
      set(same TRUE)
    endif()
    if(NOT same)
      shown("${got_line}" g)
      shown("${expected_line}" e)
      message(FATAL_ERROR "${case}: ${stream} differs at line ${number}\n"
        "  got:      ${g}\n  expected: ${e}\n--- got ---\n${got}")
    endif()
    math(EXPR index "${index} + 1")
  endwhile()
endfunction()

file(GLOB cases LIST_DIRECTORIES true "${DATA_DIR}/e2e/*")
set(count 0)
foreach(case_dir IN LISTS cases)
  if(NOT IS_DIRECTORY "${case_dir}")
    continue()
  endif()
  get_filename_component(case "${case_dir}" NAME)
  foreach(needed chart.dwi args expected.exit)
    if(NOT EXISTS "${case_dir}/${needed}")
      message(FATAL_ERROR "${case}: the case has no ${needed}")
    endif()
  endforeach()

  set(work "${WORK_DIR}/${case}")
  file(REMOVE_RECURSE "${work}")
  file(MAKE_DIRECTORY "${work}")
  file(COPY "${case_dir}/chart.dwi" DESTINATION "${work}")
  set(allowed chart.dwi)
  if(EXISTS "${case_dir}/existing.kvt")
    configure_file("${case_dir}/existing.kvt" "${work}/chart.kvt" COPYONLY)
  endif()
  if(EXISTS "${case_dir}/expected.kvt" OR EXISTS "${case_dir}/existing.kvt")
    list(APPEND allowed chart.kvt)
  endif()

  file(STRINGS "${case_dir}/args" args)
  execute_process(COMMAND "${CONVERTER}" chart.dwi ${args}
    WORKING_DIRECTORY "${work}" RESULT_VARIABLE exit_code
    OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 30)

  file(READ "${case_dir}/expected.exit" expected_exit)
  string(STRIP "${expected_exit}" expected_exit)
  if(NOT exit_code STREQUAL expected_exit)
    message(FATAL_ERROR "${case}: exit status ${exit_code}, expected ${expected_exit}\n"
      "--- standard error ---\n${errors}--- standard output ---\n${output}")
  endif()
  if(EXISTS "${case_dir}/expected.err")
    file(READ "${case_dir}/expected.err" expected_errors)
    compare_lines("${case}" "standard error" "${errors}" "${expected_errors}")
  elseif(NOT errors STREQUAL "" OR NOT exit_code STREQUAL "0")
    message(FATAL_ERROR "${case}: exit status ${exit_code} and standard error "
      "without an expected.err:\n${errors}")
  endif()

  if(EXISTS "${case_dir}/expected.log")
    file(READ "${case_dir}/expected.log" expected_log)
    compare_lines("${case}" "standard output" "${output}" "${expected_log}")
  endif()

  if(EXISTS "${case_dir}/expected.kvt")
    set(reference "${case_dir}/expected.kvt")
  elseif(EXISTS "${case_dir}/existing.kvt")
    set(reference "${case_dir}/existing.kvt")
  else()
    set(reference "")
  endif()
  if(NOT reference AND EXISTS "${work}/chart.kvt")
    message(FATAL_ERROR "${case}: a timing file was written where none was expected")
  elseif(reference)
    if(NOT EXISTS "${work}/chart.kvt")
      message(FATAL_ERROR "${case}: no chart.kvt after the run")
    endif()
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${work}/chart.kvt" "${reference}"
      RESULT_VARIABLE differs)
    if(differs)
      file(READ "${work}/chart.kvt" got_hex HEX)
      file(READ "${reference}" expected_hex HEX)
      file(READ "${work}/chart.kvt" got_text)
      get_filename_component(reference_name "${reference}" NAME)
      message(FATAL_ERROR "${case}: chart.kvt differs from ${reference_name}\n"
        "  got:      ${got_hex}\n  expected: ${expected_hex}\n--- got ---\n${got_text}")
    endif()
  endif()

  file(GLOB left_behind RELATIVE "${work}" "${work}/*" "${work}/.*")
  list(REMOVE_ITEM left_behind ${allowed})
  if(left_behind)
    message(FATAL_ERROR "${case}: the run left files it should not have: ${left_behind}")
  endif()
  math(EXPR count "${count} + 1")
endforeach()

if(count EQUAL 0)
  message(FATAL_ERROR "no end-to-end cases in ${DATA_DIR}/e2e")
endif()
message(STATUS "${count} end-to-end cases passed")
