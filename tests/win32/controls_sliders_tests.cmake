# The vertical slider and the fader as real windows, with the library's sliders artwork
# linked in.
vp_add_gtest(controls_sliders_tests
  controls_test_support.cpp
  controls_sliders_test.cpp
  LIBS vantor_controls vantor_control_resources vantor_library_sliders_resources)
