# The further controls' arithmetic (controls/*_math.h), natively with sanitizers and in the
# Windows builds; each group of controls has its own test source.
foreach(group display sliders rotary)
  set(source ${CMAKE_CURRENT_LIST_DIR}/${group}_math_test.cpp)
  if(EXISTS ${source})
    vp_add_gtest(${group}_math_tests ${source} LIBS vantor_control_math)
    if(NOT WIN32)
      target_compile_options(${group}_math_tests PRIVATE ${VP_SANITIZE_FLAGS})
      target_link_options(${group}_math_tests PRIVATE ${VP_SANITIZE_FLAGS})
    endif()
  else()
    vp_leave_out(${group}_math_tests "${source} is missing")
  endif()
endforeach()
