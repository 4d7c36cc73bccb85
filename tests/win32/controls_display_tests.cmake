# The display controls (indicator, LED, oscilloscope) as real windows, with their artwork.
vp_add_gtest(controls_display_tests
  controls_test_support.cpp
  controls_display_test.cpp
  LIBS vantor_controls vantor_control_resources vantor_library_display_resources)
