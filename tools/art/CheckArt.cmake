# Checks of spheron-art, run by CTest in script mode (-P) with GENERATOR, OUT, MODE and, for
# MODE=compare and MODE=icons, REF (the committed resources or icons folder).
#   compare:    the generated PNGs equal the committed ones byte for byte, same set of names.
#   icons:      the same for the desktop icons (spheron-art --icons), the SVG included.
#   nofont:     a missing font makes it fail with one line on stderr and write nothing.
#   unwritable: an output folder that cannot be made, or an image file that cannot be written,
#               makes it fail with one line on stderr.

function(expect_one_line_failure result err)
  if(result EQUAL 0)
    message(FATAL_ERROR "spheron-art succeeded but should have failed")
  endif()
  string(STRIP "${err}" stripped)
  string(FIND "${stripped}" "\n" newline)
  if(stripped STREQUAL "" OR NOT newline EQUAL -1 OR NOT stripped MATCHES "^spheron-art: ")
    message(FATAL_ERROR "expected one 'spheron-art: ...' line on stderr, got:\n${err}")
  endif()
endfunction()

file(REMOVE_RECURSE "${OUT}")

# Runs the generator with the extra arguments into OUT and compares the files matching `pattern`
# with REF.
function(compare_with_committed expected_count pattern)
  execute_process(COMMAND "${GENERATOR}" ${ARGN} "${OUT}" RESULT_VARIABLE result ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "spheron-art failed (${result}): ${err}")
  endif()
  file(GLOB generated RELATIVE "${OUT}" "${OUT}/${pattern}")
  file(GLOB committed RELATIVE "${REF}" "${REF}/${pattern}")
  list(SORT generated)
  list(SORT committed)
  list(LENGTH generated count)
  if(NOT count EQUAL expected_count)
    message(FATAL_ERROR "expected ${expected_count} files, spheron-art wrote ${count}: ${generated}")
  endif()
  if(NOT generated STREQUAL committed)
    message(FATAL_ERROR "file names differ\n generated: ${generated}\n committed: ${committed}")
  endif()
  set(stale "")
  foreach(name IN LISTS generated)
    file(SHA256 "${OUT}/${name}" new)
    file(SHA256 "${REF}/${name}" old)
    if(NOT new STREQUAL old)
      list(APPEND stale "${name}")
    endif()
  endforeach()
  if(stale)
    message(FATAL_ERROR "committed files in ${REF} are stale (regenerate them): ${stale}")
  endif()
endfunction()

if(MODE STREQUAL "compare")
  compare_with_committed(99 "*.png")
elseif(MODE STREQUAL "icons")
  compare_with_committed(8 "spheron*" --icons)
elseif(MODE STREQUAL "nofont")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env SPHERON_ART_FONT=${OUT}/no-such-font.ttf
                  "${GENERATOR}" "${OUT}" RESULT_VARIABLE result ERROR_VARIABLE err)
  expect_one_line_failure("${result}" "${err}")
  if(EXISTS "${OUT}")
    message(FATAL_ERROR "spheron-art wrote ${OUT} although the font was missing")
  endif()
elseif(MODE STREQUAL "unwritable")
  # A plain file where the folder should be: neither the folder nor the images can be made.
  file(WRITE "${OUT}" "not a folder\n")
  execute_process(COMMAND "${GENERATOR}" "${OUT}/images" RESULT_VARIABLE result ERROR_VARIABLE err)
  expect_one_line_failure("${result}" "${err}")
  file(REMOVE "${OUT}")
  # A folder in the way of one image: the folder exists but that file cannot be written.
  file(MAKE_DIRECTORY "${OUT}/spot64x64.png")
  execute_process(COMMAND "${GENERATOR}" "${OUT}" RESULT_VARIABLE result ERROR_VARIABLE err)
  expect_one_line_failure("${result}" "${err}")
  if(NOT err MATCHES "spot64x64.png")
    message(FATAL_ERROR "the failure should name the file that could not be written: ${err}")
  endif()
  file(REMOVE_RECURSE "${OUT}")
else()
  message(FATAL_ERROR "unknown MODE '${MODE}'")
endif()
