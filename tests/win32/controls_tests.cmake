# The level meter and the horizontal slider as real windows, their registration and the
# sunken frame, with the program's artwork linked in.
vp_add_gtest(controls_tests
  controls_test_support.cpp
  controls_registration_test.cpp
  controls_meter_test.cpp
  controls_slider_test.cpp
  controls_dialog_test.cpp
  controls_test.rc
  LIBS vantor_controls vantor_control_resources)
