# The pan control and the knob as real windows, with the rotary artwork linked in.
vp_add_gtest(controls_rotary_tests
  controls_test_support.cpp
  controls_rotary_test.cpp
  LIBS vantor_controls vantor_control_resources vantor_library_rotary_resources)
