# A test this build cannot register is named with the reason, never dropped without a word:
# configure warns, and writes every such test to left-out-tests.txt in the build folder,
# which scripts/test prints (and, under CI, fails on).
function(vp_leave_out what why)
  message(WARNING "test left out: ${what}: ${why}")
  set_property(GLOBAL APPEND PROPERTY VP_LEFT_OUT_TESTS "${what}: ${why}")
endfunction()

# Includes a file of test definitions from the current source folder, or names its tests
# as left out when the file is missing. A macro, so the file runs in the caller's scope as
# a plain include() would.
macro(vp_include_tests file)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${file})
    include(${CMAKE_CURRENT_SOURCE_DIR}/${file})
  else()
    vp_leave_out("${CMAKE_CURRENT_SOURCE_DIR}/${file}" "the file is missing")
  endif()
endmacro()

# Called once, at the end of the top-level list.
function(vp_write_left_out_tests)
  get_property(left_out GLOBAL PROPERTY VP_LEFT_OUT_TESTS)
  set(text "")
  foreach(line IN LISTS left_out)
    string(APPEND text "${line}\n")
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/left-out-tests.txt "${text}")
endfunction()
